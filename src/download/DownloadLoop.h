#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "download/DownloadHost.h"
#include "download/PendingPackages.h"
#include "engine/FSComprFile.h"
#include "transfer/PrepareExchange.h"

namespace tavex {

class clsFTP;

// The main loop of a download: merges the packages an earlier run left
// pending, then fetches every package waiting in the branch's download
// folder, in listing order, and for each keeps a backup copy, deletes it on
// the server, unpacks it, checks it and imports it into the shared host
// connection. The first package that fails in any way is filed in the error
// folder and ends the run; later packages stay on the server.
//
// A package is recorded as pending before its server copy is deleted and
// forgotten once it is merged or filed, so a run that dies in between (a
// kill, a power cut) loses nothing: the next run merges it, from the
// temporary copy or else the backup copy, before it looks at the server.
// Only the death of the process leaves a record behind: a package that
// fails, whether reported or raised, is filed (or, when even that fails,
// left in the backup folder only) and never tried again, so the next run
// goes on with the server.
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

 private:
  bool MergePending();
  bool RestoreTemporaryCopy(const std::string& name);
  bool FetchAndMergeAll(clsFTP& ftp);
  bool FetchAndMerge(clsFTP& ftp, int number, const std::string& name);
  bool Settle(const std::string& name, const std::function<bool()>& merge);
  bool Merge(const std::string& name);
  bool FileImportFailure(const engine::Package& package, const std::string& name);
  bool FileAsError(const std::string& name) noexcept;
  void RemoveTemporaryFiles(const std::string& name) noexcept;
  // Runs `step`; a failure it raises is logged, handed to the host, and
  // answers false.
  bool RunLogged(const std::function<bool()>& step) noexcept;
  void ClosePackageDatabase();
  void AddLine(const std::string& text) { mHost.AddLine(text); }
  std::string TempFile(const std::string& name) const { return mSettings.gsTempPath + name; }

  const ExchangeSettings& mSettings;
  engine::FSComprFile& mCompressor;
  DownloadHost& mHost;
  PendingPackages mPending;
  std::shared_ptr<db::Connection> mPackageDatabase;
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
// Listing order is kept.
std::vector<std::string> PackageNames(const std::vector<std::string>& listing);

}  // namespace tavex
