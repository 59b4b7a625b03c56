#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "framework/ProgressView.h"
#include "journal/MergeJournal.h"
#include "members/MemberBundle.h"
#include "relay/PackageRoute.h"
#include "relay/RelayTexts.h"
#include "storage/TemporaryFile.h"
#include "transfer/PrepareExchange.h"
#include "trust/CheckTexts.h"
#include "trust/PackageIntake.h"
#include "trust/PackageLimits.h"
#include "trust/PackageName.h"
#include "trust/SignatureCheck.h"

namespace tavex {

class clsFTP;

// Head office's relay: takes every package file waiting in the server's
// upload folder, in the order of their names, and puts it into the download
// folders of the sites that need it: every package but a member package
// into head office's folder ("ForDownload/" + setting 801 of the relay's
// host database), plus the additions of "Octopus/RELAY.INI". The member
// packages of one run are gathered, in that order, into one member bundle
// ("<head office>-<stamp>-MB.pkg", see members/MemberBundle.h) signed with
// head office's key, which goes once into every branch's folder and head
// office's; each member package leaves the upload folder only once every
// one of them holds the bundle. (With bundling off in RELAY.INI, a member
// package goes to every site but its sender, one copy each.) A bundle
// found in the upload folder is no site's to send, and is refused. A
// package's sender and kind come from its
// name, and the package is unpacked and checked as every receiver checks
// one (never imported): the engine's check, then what its kind may contain
// and that a branch's rows are its own. Its work files go to "Temp/Relay/",
// apart from the download's.
//
// A package leaves the upload folder only once every destination holds it,
// so a run that dies half-way sends it again next time, which the receiving
// sites absorb (each incoming record replaces its earlier copy). A package
// at fault itself (it cannot be unpacked, fails a check, or has nowhere to
// go) is moved to "Rejected/" inside the upload folder with its reason
// beside it ("<name>.txt"), never deleted, and the run goes on. A failure of
// this machine or of the server (a work file that cannot be written, a lost
// connection) leaves the package where it is and fails the run, and that
// sender's later packages wait for the next run, so none overtakes it. A
// folder listing that fails is no empty folder: the run stops there.
// Every step is a line of the list and of the synchronisation log; every
// package routed or rejected gets its row of the merge journal.
class cRelay {
 public:
  // `connection` becomes the shared host connection; `list` and `bar` must
  // outlive every Relay (either may be null).
  void Initialize(std::shared_ptr<db::Connection> connection, ProgressList* list,
                  ProgressBar* bar) noexcept;
  // Only reads and checks the packages and shows their routes: nothing on
  // the server changes.
  void DryRun(bool dryRun) { mDryRun = dryRun; }

  // True when every waiting package was relayed or rejected, including when
  // none waited. A failure raised inside is logged ("转发失败：" and its
  // description) and kept in Failure(); nothing is thrown.
  bool Relay() noexcept;
  const std::string& Failure() const noexcept { return mFailure; }

 private:
  // How the relaying of one package ended.
  enum class Relayed { Done, Rejected, Failed };

  bool Run();
  bool RelayAll(clsFTP& ftp, const std::vector<std::string>& names);
  Relayed RelayPackage(clsFTP& ftp, const std::string& name, const trust::PackageName& named);
  // Adds the checked member package `name` to the run's bundle.
  Relayed Gather(clsFTP& ftp, const std::string& name, const trust::PackageName& named,
                 const trust::SignatureVerdict& signature, TemporaryFile package,
                 const std::string& database);
  // Makes the bundle of the member packages gathered, puts it into every
  // site's folder, and only then takes them from the upload folder.
  bool SendBundle(clsFTP& ftp);
  // Every site's folder, head office's first, then the branches' by name.
  std::vector<std::string> BundleDestinations() const;
  // What checking a fetched package found.
  struct Verdict {
    trust::IntakeStep::Outcome outcome;
    bool damaged;        // refused by the engine: no package of any kind
    std::string reason;  // why not, unless it passed
  };
  // Checks the fetched package `local` as a receiver would.
  Verdict Check(const std::string& local, const trust::PackageName& named);
  Relayed Reject(clsFTP& ftp, const std::string& name, const std::string& line,
                 const std::string& reason);
  // The copy of `local` signed again with head office's key, for the
  // branches: `local` itself when head office does not sign again; nullopt
  // (with a line saying why) when it should and has no key.
  std::optional<std::string> SignedForBranches(const std::string& local,
                                               const trust::PackageName& named);
  // The journal's row of package `name`, as far as its name, its fetched
  // copy and the time since it was taken up tell.
  JournalEntry EntryFor(const std::string& name, std::string outcome) const;
  void Journal(const JournalEntry& entry) noexcept;
  void AddLine(const std::string& text) noexcept;

  RunView mView;
  bool mDryRun = false;
  ExchangeSettings mSettings;
  RelayTexts mTexts;
  trust::CheckTexts mCheckTexts;
  trust::PackageLimits mLimits;
  RelayRules mRules;
  std::vector<std::string> mBranchFolders;
  std::vector<std::string> mKnownSites;
  std::optional<trust::SignatureCheck> mSignatures;
  std::optional<MergeJournal> mJournal;
  std::chrono::steady_clock::time_point mStarted;
  trust::SignatureSettings mSignatureSettings;
  std::string mFailure;

  // The member packages of this run on their way into the bundle.
  struct Gathered {
    std::string name;
    std::string sender;
    trust::SignatureVerdict signature;
    std::chrono::steady_clock::time_point started;
    TemporaryFile package;  // the fetched copy, for the journal
  };
  struct Gathering {
    explicit Gathering(const std::string& workFile) : work(workFile), builder(workFile) {}
    TemporaryFile work;  // the builder's work database, which goes after it
    MemberBundleBuilder builder;
    std::vector<Gathered> packages;
  };
  std::unique_ptr<Gathering> mGathering;
  bool mAnyGathered = false;
};

}  // namespace tavex
