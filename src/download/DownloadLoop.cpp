#include "download/DownloadLoop.h"

#include <filesystem>
#include <string_view>

#include "download/SweepBar.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/AsciiText.h"
#include "storage/DurableFile.h"
#include "storage/HostRunLock.h"
#include "storage/IgnoreFailure.h"
#include "storage/LoggedRun.h"
#include "storage/RunHistory.h"
#include "transfer/FtpListing.h"
#include "transfer/clsFTP.h"

namespace tavex {

namespace {

constexpr std::string_view kPackageEnding = ".pkg";

// The bar's share of one step of the run, in thousandths: the server's part
// once per run, then the package's part once per package. Opening the
// package database and checking it sweep the same range.
struct SweepRange {
  int from;
  int to;
};
constexpr SweepRange kSweepConnect{1, 150};
constexpr SweepRange kSweepOpenFolder{151, 300};
constexpr SweepRange kSweepFetch{301, 500};
constexpr SweepRange kSweepBackup{501, 600};
constexpr SweepRange kSweepDelete{601, 700};
constexpr SweepRange kSweepOpenPackage{701, 800};
constexpr SweepRange kSweepCheck{701, 800};
constexpr SweepRange kSweepImport{801, 1000};

void Sweep(DownloadHost& host, SweepRange range) { SweepBar(host, range.from, range.to); }

}  // namespace

bool PrepareAndDownload(ExchangeSettings& settings, engine::FSComprFile& compressor,
                        DownloadHost& host) noexcept {
  // The preparation reads the settings store, which may fail too.
  return RunLoggingFailure(
      Messages().Msg_DownloadData_Fault,
      [&] {
        return PrepareExchange(settings, [&](const std::string& text) { host.AddLine(text); }) &&
               DownloadLoop(settings, compressor, host).Run();
      },
      [&](const std::string& record) { host.FailureLogged(record); });
}

std::string PackageBaseName(const std::string& name) {
  std::string base;
  for (std::size_t at = 0; at < name.size();) {
    if (name.compare(at, kPackageEnding.size(), kPackageEnding) == 0) {
      at += kPackageEnding.size();
    } else {
      base += name[at++];
    }
  }
  return base;
}

std::vector<std::string> PackageNames(const std::vector<std::string>& listing) {
  std::vector<std::string> names;
  for (const std::string& name : listing) {
    // The name becomes a local path below the temporary folder: one that
    // could leave it is never used, whatever the listing held.
    if (EndsWithNoCase(name, kPackageEnding) && IsSafeRemoteName(name)) names.push_back(name);
  }
  return names;
}

DownloadLoop::DownloadLoop(const ExchangeSettings& settings, engine::FSComprFile& compressor,
                           DownloadHost& host)
    : mSettings(settings),
      mCompressor(compressor),
      mHost(host),
      mPending(settings.gsTempPath + "Pending/") {}

DownloadLoop::~DownloadLoop() = default;

bool DownloadLoop::Run() {
  std::unique_ptr<clsFTP> ftp;
  const bool result = RunLogged([&] {
    const std::shared_ptr<db::Connection> host = ExchangeContext::Instance().Connection();
    if (!host) throw db::DbError("no host connection");
    // A second run on the same host would fetch the same files into the same
    // temporary folder and could unpack one while the other still writes it:
    // a sound package filed as damaged, and never tried again.
    const HostRunLock lock(*host, "download");
    if (!lock.Held()) {
      AddLine(Messages().Msg_DownloadData_Busy);
      return false;
    }
    ftp = std::make_unique<clsFTP>();
    return MergePending() && FetchAndMergeAll(*ftp);
  });
  IgnoreFailure([&] { ClosePackageDatabase(); });
  if (ftp) IgnoreFailure([&] { ftp->DisConnect(); });
  if (result) RecordSuccessfulRun("download");
  return result;
}

bool DownloadLoop::MergePending() {
  for (const std::string& name : mPending.Names()) {
    AddLine(Messages().Msg_PKG_Resume + name);
    if (!Settle(name, [&] { return RestoreTemporaryCopy(name) && Merge(name); })) return false;
  }
  return true;
}

// A pending package whose temporary copy is gone is merged from its backup
// copy; with neither left there is nothing to merge.
bool DownloadLoop::RestoreTemporaryCopy(const std::string& name) {
  if (std::filesystem::exists(TempFile(name))) return true;
  const std::string backup = mPending.BackupCopy(name);
  if (backup.empty() || !std::filesystem::exists(backup)) {
    AddLine(Messages().Msg_PKG_Resume_Lost + name);
    return false;
  }
  CopyFileDurably(backup, TempFile(name));
  return true;
}

bool DownloadLoop::FetchAndMergeAll(clsFTP& ftp) {
  const MessageTexts& texts = Messages();
  AddLine(texts.Msg_FTP_Connect + mSettings.gsFtpHost + " ...");
  Sweep(mHost, kSweepConnect);
  if (!ftp.Connect(mSettings.gsFtpHost, mSettings.gsFtpUID, mSettings.gsFtpPSW)) {
    AddLine(texts.Msg_FTP_Connect_Fault);
    return false;
  }
  AddLine(texts.Msg_FTP_SetFtpDir + mSettings.gsDownloadPath + " ...");
  Sweep(mHost, kSweepOpenFolder);
  if (!ftp.SetFtpDir(mSettings.gsDownloadPath)) {
    AddLine(texts.Msg_FTP_SetFtpDir_Fault);
    return false;
  }
  const std::vector<std::string> names = PackageNames(ftp.GetDirFile());
  if (names.empty()) {
    AddLine(texts.Msg_FTP_NoFilesToDownload);
    mHost.Bar().SetValue(mHost.Bar().Max());
    return true;
  }
  AddLine(texts.Msg_FTP_FileCount_Left + " " + std::to_string(names.size()) + " " +
          texts.Msg_FTP_FileCount_Right);
  for (std::size_t i = 0; i < names.size(); ++i) {
    AddLine(std::to_string(i + 1) + ". " + names[i]);
  }
  AddLine(texts.Msg_FTP_Download);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!FetchAndMerge(ftp, static_cast<int>(i + 1), names[i])) return false;
  }
  return true;
}

bool DownloadLoop::FetchAndMerge(clsFTP& ftp, int number, const std::string& name) {
  const MessageTexts& texts = Messages();
  AddLine(std::to_string(number) + ". " + texts.Msg_FTP_Downloading + name + " ...");
  Sweep(mHost, kSweepFetch);
  if (!ftp.GetFile(name, TempFile(name))) {
    AddLine(texts.Msg_FTP_Download_Fault);
    return false;
  }
  AddLine(texts.Msg_FTP_Downloaded);
  Sweep(mHost, kSweepBackup);
  const std::string backup = mSettings.gsBackupPath + name;
  CopyFileDurably(TempFile(name), backup);
  AddLine(texts.Msg_FTP_Delete);
  Sweep(mHost, kSweepDelete);
  mPending.Add(name, backup);
  if (!ftp.DeleteFile(name)) {
    // The server still holds the package, so the next run fetches it again.
    mPending.Remove(name);
    AddLine(texts.Msg_FTP_Delete_Fault);
    return false;
  }
  return Settle(name, [&] { return Merge(name); });
}

// Runs `merge` for the pending package `name` and then forgets the package,
// whatever happened: a failure raised inside is logged and the package is
// filed as an error package, as a reported failure is, so that it never
// holds up the runs after this one.
bool DownloadLoop::Settle(const std::string& name, const std::function<bool()>& merge) {
  bool merged = false;
  const bool completed = RunLogged([&] {
    merged = merge();
    return true;
  });
  if (!completed) {
    IgnoreFailure([&] { ClosePackageDatabase(); });
    FileAsError(name);
    RemoveTemporaryFiles(name);
  }
  mPending.Remove(name);
  return merged;
}

bool DownloadLoop::Merge(const std::string& name) {
  const MessageTexts& texts = Messages();
  const std::string database = TempFile(PackageBaseName(name) + ".mdb");
  engine::Package& package = mHost.NewPackage();

  AddLine(texts.Msg_PKG_Decompress);
  mCompressor.SourceFile(TempFile(name));
  mCompressor.TargetFile(database);
  mCompressor.Decompress();
  if (mCompressor.ErrorCode() != engine::FSComprFile::kNoError) {
    // A package that cannot be unpacked is as damaged as one that fails its
    // check, and is filed with the error packages the same way.
    AddLine(texts.Msg_PKG_Decompress_Fault);
    AddLine(texts.Msg_PKG_Backup);
    FileAsError(name);
    RemoveTemporaryFiles(name);
    return false;
  }

  AddLine(texts.Msg_PKG_Connect);
  Sweep(mHost, kSweepOpenPackage);
  ClosePackageDatabase();
  mPackageDatabase = db::OpenConnection(db::PackageConnectionString(database));

  AddLine(texts.Msg_PKG_Check);
  Sweep(mHost, kSweepCheck);
  if (!package.CheckPackage(mPackageDatabase, 0)) {
    AddLine(texts.Msg_PKG_Check_Fault);
    ClosePackageDatabase();
    AddLine(texts.Msg_PKG_Backup);
    FileAsError(name);
    RemoveTemporaryFiles(name);
    return false;
  }

  package.SourceConnection(mPackageDatabase);
  package.TargetConnection(ExchangeContext::Instance().Connection());
  AddLine(texts.Msg_PKG_Import + package.PackageID() + " ...");
  Sweep(mHost, kSweepImport);
  if (!package.ImportPackage(true, true, 1)) return FileImportFailure(package, name);

  ClosePackageDatabase();
  AddLine(texts.Msg_PKG_Import_Success);
  RemoveTemporaryFiles(name);
  return true;
}

bool DownloadLoop::FileImportFailure(const engine::Package& package, const std::string& name) {
  const MessageTexts& texts = Messages();
  const engine::Errors& errors = package.Errors();
  if (errors.Count() >= 1) {
    AddLine(texts.Msg_PKG_Import_Fault_Left + std::to_string(errors.Count()) +
            texts.Msg_PKG_Import_Fault_Right);
    for (std::int32_t j = 1; j <= errors.Count(); ++j) {
      AddLine(std::to_string(j) + ". " + std::to_string(errors.Item(j).Number()) + "，" +
              errors.Item(j).Description());
    }
  } else {
    AddLine(texts.Msg_PKG_Canceled);
  }
  ClosePackageDatabase();
  const bool filed = FileAsError(name);
  RemoveTemporaryFiles(name);
  if (filed) {
    AddLine(texts.Msg_PKG_BackupTo);
    AddLine(mSettings.gsErrorPath + name);
  }
  return false;
}

// Files package `name` in the error folder from its temporary copy or, when
// that is gone, its backup copy; true when filed. A failure is logged: the
// package is then kept by its backup copy alone.
bool DownloadLoop::FileAsError(const std::string& name) noexcept {
  return RunLogged([&] {
    const std::string temporary = TempFile(name);
    CopyFileDurably(std::filesystem::exists(temporary) ? temporary : mPending.BackupCopy(name),
                    mSettings.gsErrorPath + name);
    return true;
  });
}

// A temporary file that cannot be removed is overwritten by the next
// package of the same name; it is no failure of this one.
void DownloadLoop::RemoveTemporaryFiles(const std::string& name) noexcept {
  IgnoreFailure([&] { RemoveFile(TempFile(name)); });
  IgnoreFailure([&] { RemoveFile(TempFile(PackageBaseName(name) + ".mdb")); });
}

bool DownloadLoop::RunLogged(const std::function<bool()>& step) noexcept {
  return RunLoggingFailure(Messages().Msg_DownloadData_Fault, step,
                           [this](const std::string& record) { mHost.FailureLogged(record); });
}

void DownloadLoop::ClosePackageDatabase() {
  if (mPackageDatabase && mPackageDatabase->IsOpen()) mPackageDatabase->Close();
  mPackageDatabase.reset();
}

}  // namespace tavex
