#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "download/DownloadHost.h"
#include "download/FetchAhead.h"
#include "download/PendingPackages.h"
#include "engine/FSComprFile.h"
#include "engine/PackageGroup.h"
#include "engine/RunProgress.h"
#include "journal/MergeJournal.h"
#include "transfer/PrepareExchange.h"
#include "trust/CheckTexts.h"
#include "trust/PackageIntake.h"
#include "trust/PackageLimits.h"
#include "trust/PackageName.h"
#include "trust/SignatureCheck.h"

namespace tavex {

class clsFTP;

// The main loop of a download: merges the packages an earlier run left
// pending, then fetches every package waiting in the branch's download
// folder, in the order of their names (so each sender's packages come in the
// order it made them), and for each keeps a backup copy, deletes it on the
// server, checks its signature (see trust::SignatureCheck), unpacks it
// within the limits of "Octopus/MAIN.INI", checks it (the engine's check,
// then the checks of its kind: the tables and statements its kind allows,
// and, for a branch's bills and reports, that every row is its sender's)
// and merges it into the shared host connection, recording its signer and
// number and its row of the merge journal in the same transaction. A
// refused package gets its journal row once it is filed; each run first
// forgets the journal's rows older than its retention (JournalKeepDays).
//
// Packages of the kinds whose rows are their senders' own (bills, reports)
// merge in groups of different senders (engine::PackageGroup): each is
// checked, then its rows are staged on a thread of their own while the
// next package is checked, and the group merges in one transaction once it
// is full, a package that cannot join it comes, or the packages run out. The
// user sees each package merged or not as before: a group that fails is
// merged again one package at a time, so only the package at fault is
// filed, and a package whose rows could not be staged (a row its sender may
// not send) is merged alone after its group; while a package waits, so does
// every package of its group. From the first group's merge on, the
// server's packages are fetched on the side (FetchAhead), at most a group's
// worth ahead of the one the run takes up, over the connection the run then
// uses for nothing else; each is shown and merged in its turn as if fetched
// then.
//
// A package that is at fault itself (it does not unpack, is too large,
// fails a check, takes too long, or holds a row the host refuses) is filed
// in the error folder with the reason beside it ("<name>.txt"), and the run
// goes on with the next one; the run then answers false. A failure of this
// machine (no free space, a folder or the database that cannot be written,
// the database locked, the server or the connection lost) ends the run and
// leaves the package where it is, pending or on the server, to be tried
// again: a sound package is never filed for it. So is an import that
// someone cancelled.
//
// A package is recorded as pending before its server copy is deleted and
// forgotten once it is merged or filed, so a run that dies in between (a
// kill, a power cut) loses nothing: the next run merges it, from the
// temporary copy or else the backup copy, before it looks at the server.
// The record counts the attempts that never ended; a package on which three
// runs died is filed instead of tried a fourth time, so that no package can
// stop a site from downloading.
//
// Every step reports through the host; a raised failure is written to the
// synchronisation log only ("下载数据失败: " and its description) and ends
// the run. Nothing is thrown.
class DownloadLoop {
 public:
  // `settings` from PrepareExchange; the loop unpacks with `compressor`.
  DownloadLoop(const ExchangeSettings& settings, engine::FSComprFile& compressor,
               DownloadHost& host);
  ~DownloadLoop();
  DownloadLoop(const DownloadLoop&) = delete;
  DownloadLoop& operator=(const DownloadLoop&) = delete;

  // True when every pending and every waiting package was merged, including
  // when there was none.
  bool Run();

  // The runs that may die on one package before it is filed.
  static constexpr int kMaxAttempts = 3;

  // The most packages, and bytes of package databases, a group holds: a
  // group's merge is one transaction, which on SQLite holds every other
  // writer off.
  static constexpr std::size_t kGroupPackages = 100;
  static constexpr std::int64_t kGroupBytes = 64 * 1024 * 1024;

 private:
  // How the handling of one package ended.
  enum class Settled {
    Merged,
    Filed,    // refused for what it is, and filed
    Waits,    // this machine failed, or a cancel: the package stays pending
    Grouped,  // staged: the group's merge settles it
  };
  // How one attempt to merge a package ended, with its reasons.
  struct Attempt {
    Settled settled = Settled::Waits;
    std::vector<std::string> reasons;
  };

  // A package staged in the group, with what merging it alone takes.
  struct Staged {
    std::string name;
    int attempts = 0;  // counted before this run's attempt
    std::unique_ptr<trust::PackageIntake> intake;
    std::vector<engine::ReceiverRecord> records;
    std::int64_t bytes = 0;  // of its package database
  };

  bool MergePending();
  bool RestoreTemporaryCopy(const std::string& name);
  bool FetchAndMergeAll(clsFTP& ftp);
  Settled FetchAndMerge(std::size_t index);
  bool Fetch(std::size_t index, const FetchView& view);
  void Show(const FetchShown& shown);
  // `resumed`: the package was pending when the run began.
  Settled Settle(const std::string& name, const std::function<bool()>& restore, bool resumed);
  Attempt Merge(const std::string& name, int attempts, bool resumed);
  Attempt Import(trust::PackageIntake& intake, engine::Package& package, const std::string& name,
                 std::vector<engine::ReceiverRecord> records, engine::ImportScope scope);
  // Stages the admitted package into the group, merging the group first
  // when the package cannot join it (its sender's earlier package is there,
  // the group is full, or its steps differ); merges it alone when staging
  // refuses it.
  Attempt Group(Staged staged, engine::Package& package, const trust::PackageName& named);
  // Merges the group and settles its packages; false when they wait.
  bool MergeGroup();
  // Merges the packages `staged` whose rows the group staged, and settles
  // them; false when they wait.
  bool MergeStaged(std::vector<Staged>& staged);
  // Merges each of `staged` alone and settles it; once one waits (or from
  // the start with `waits`), the rest wait too. False when any waits.
  bool MergeEachAlone(std::vector<Staged>& staged, bool waits);
  void DiscardGroup() noexcept;
  // Settles package `name` by how its attempt ended (`attempts` counted
  // before it): filed or merged, it is forgotten; otherwise it waits.
  Settled Conclude(const std::string& name, const Attempt& attempt, int attempts);
  void Know(const std::vector<std::string>& senders) noexcept;
  void JournalRefused(const std::string& name, const std::vector<std::string>& reasons) noexcept;
  Attempt Refused(std::vector<std::string> reasons);
  Attempt Waits(const std::string& reason);
  std::vector<std::string> ErrorLines(const engine::Package& package);
  bool FileAsError(const std::string& name, const std::vector<std::string>& reasons) noexcept;
  void RemoveTemporaryFiles(const std::string& name, bool keepPackage = false) noexcept;
  // Runs `step`; a failure it raises is logged, handed to the host, and
  // answers false.
  bool RunLogged(const std::function<bool()>& step) noexcept;
  void AddLine(const std::string& text) { AddRunLine(mHost.View(), text); }
  std::string TempFile(const std::string& name) const { return mSettings.gsTempPath + name; }

  const ExchangeSettings& mSettings;
  engine::FSComprFile& mCompressor;
  DownloadHost& mHost;
  PendingPackages mPending;
  trust::CheckTexts mTexts;
  trust::PackageLimits mLimits;
  std::vector<std::string> mKnownSites;
  std::optional<trust::SignatureCheck> mSignatures;
  std::optional<MergeJournal> mJournal;
  std::optional<engine::PackageGroup> mGroup;
  std::vector<Staged> mStaged;
  bool mAnyFiled = false;
  // The server's packages while they are fetched and merged: the connection,
  // their names, and the index after the last one fetched in turn.
  struct Fetching {
    clsFTP* ftp = nullptr;
    const std::vector<std::string>* names = nullptr;
    std::size_t end = 0;
  } mFetching;
  FetchAhead mAhead;
};

// Prepares the exchange into `settings`, its lines going through the host,
// and when that succeeds runs the download loop: true when both succeed. A
// failure the preparation raises is logged as a download failure and handed
// to the host, as the loop does with its own. Never throws.
bool PrepareAndDownload(ExchangeSettings& settings, engine::FSComprFile& compressor,
                        DownloadHost& host) noexcept;

// The base name of a package file: `name` with every ".pkg" taken out, the
// comparison exact (so "B01-1.PKG" keeps its ending).
std::string PackageBaseName(const std::string& name);

// The names from a server listing that are packages: their last four
// characters are ".pkg" in any case and they are safe as local file names.
// Sorted by name, letters in any case: a name begins with its sender and the
// time stamp of its making, so each sender's packages come in the order it
// made (and signed) them, whatever order the server lists them in.
std::vector<std::string> PackageNames(const std::vector<std::string>& listing);

}  // namespace tavex
