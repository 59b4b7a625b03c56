#include "relay/cRelay.h"

#include <filesystem>

#include "download/DownloadLoop.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/DurableFile.h"
#include "storage/HostRunLock.h"
#include "storage/IgnoreFailure.h"
#include "storage/LoggedRun.h"
#include "storage/RunHistory.h"
#include "transfer/IniSection.h"
#include "transfer/clsFTP.h"

namespace tavex {

namespace {

constexpr const char* kDownloadRoot = "ForDownload";
constexpr const char* kRejectedFolder = "Rejected";

std::string Joined(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += (text.empty() ? "" : ", ") + folder;
  return text;
}

}  // namespace

void cRelay::Initialize(std::shared_ptr<db::Connection> connection, ProgressList* list,
                        ProgressBar* bar) noexcept {
  LoadMessages();
  mTexts = ReadRelayTexts();
  IgnoreFailure([&] { ExchangeContext::Instance().SetConnection(connection); });
  mList = list;
  mBar = bar;
}

bool cRelay::Relay() noexcept {
  mFailure.clear();
  const bool result = RunLoggingFailure(
      mTexts.Msg_Relay_Failed, [&] { return Run(); },
      [&](const std::string& record) { mFailure = record; });
  if (result && !mDryRun) RecordSuccessfulRun("relay");
  AddLine("");
  return result;
}

bool cRelay::Run() {
  const MessageTexts& texts = Messages();
  const std::shared_ptr<db::Connection> host = ExchangeContext::Instance().Connection();
  if (!host) throw db::DbError("no host connection");
  if (!PrepareExchange(mSettings, [this](const std::string& line) { AddLine(line); })) {
    return false;
  }
  if (mSettings.gsBranchID.empty()) {
    AddLine(mTexts.Msg_Relay_NoHeadOffice);
    return false;
  }
  const HostRunLock lock(*host, "relay");
  if (!lock.Held()) {
    AddLine(mTexts.Msg_Relay_Busy);
    return false;
  }
  mRules = ReadRelayRules(
      (std::filesystem::path(TransferOptionsFile()).parent_path() / "RELAY.INI").string());
  if (mDryRun) AddLine(mTexts.Msg_Relay_DryRun);

  clsFTP ftp;
  AddLine(texts.Msg_FTP_Connect + mSettings.gsFtpHost + " ...");
  if (!ftp.Connect(mSettings.gsFtpHost, mSettings.gsFtpUID, mSettings.gsFtpPSW)) {
    AddLine(texts.Msg_FTP_Connect_Fault);
    return false;
  }
  AddLine(texts.Msg_FTP_SetFtpDir + kDownloadRoot + " ...");
  if (!ftp.SetFtpDir(kDownloadRoot)) {
    AddLine(mTexts.Msg_Relay_Folders_Fault + kDownloadRoot);
    return false;
  }
  mBranchFolders = ftp.GetDirFolders();
  AddLine(texts.Msg_FTP_SetFtpDir + mSettings.gsUploadPath + " ...");
  if (!ftp.SetFtpDir(mSettings.gsUploadPath)) {
    AddLine(texts.Msg_FTP_SetFtpDir_Fault);
    return false;
  }
  const std::vector<std::string> names = PackageNames(ftp.GetDirFile());
  if (names.empty()) {
    AddLine(mTexts.Msg_Relay_NoFiles);
    return true;
  }
  AddLine(mTexts.Msg_Relay_FileCount_Left + " " + std::to_string(names.size()) + " " +
          mTexts.Msg_Relay_FileCount_Right);
  if (mBar != nullptr) {
    mBar->SetMin(0);
    mBar->SetMax(static_cast<double>(names.size()));
    mBar->SetValue(0);
  }
  bool all = true;
  for (std::size_t i = 0; i < names.size(); ++i) {
    AddLine(std::to_string(i + 1) + ". " + names[i]);
    all = RelayPackage(ftp, names[i]) && all;
    if (mBar != nullptr) mBar->SetValue(static_cast<double>(i + 1));
  }
  IgnoreFailure([&] { ftp.DisConnect(); });
  return all;
}

bool cRelay::RelayPackage(clsFTP& ftp, const std::string& name) {
  const std::string local = mSettings.gsTempPath + name;
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      IgnoreFailure([&] { RemoveFile(path); });
    }
  } cleanup{local};

  AddLine(mTexts.Msg_Relay_Fetch + name + " ...");
  if (!ftp.SetFtpDir(mSettings.gsUploadPath) || !ftp.GetFile(name, local)) {
    AddLine(mTexts.Msg_Relay_Fetch_Fault + name);
    return false;
  }
  AddLine(mTexts.Msg_Relay_Check);
  const std::optional<std::vector<std::string>> tables = ReadTables(local);
  if (!tables) return Reject(ftp, name, mTexts.Msg_Relay_Rejected);

  const PackageKind kind = KindOf(*tables);
  const std::vector<std::string> destinations =
      Destinations(kind, SenderOf(name), mBranchFolders, mSettings.gsBranchID, mRules);
  if (destinations.empty()) return Reject(ftp, name, mTexts.Msg_Relay_NoDestination);
  AddLine((kind == PackageKind::Members ? mTexts.Msg_Relay_Members : mTexts.Msg_Relay_Others) +
          Joined(destinations));
  if (mDryRun) return true;

  for (const std::string& folder : destinations) {
    AddLine(mTexts.Msg_Relay_Put + std::string(kDownloadRoot) + "/" + folder + " ...");
    if (!ftp.SetFtpDir(std::string(kDownloadRoot) + "\\" + folder) || !ftp.PutFile(name, local)) {
      // The package stays where it is; the next run sends it again.
      AddLine(mTexts.Msg_Relay_Put_Fault + name);
      return false;
    }
  }
  if (!ftp.SetFtpDir(mSettings.gsUploadPath) || !ftp.DeleteFile(name)) {
    AddLine(mTexts.Msg_Relay_Delete_Fault + name);
    return false;
  }
  AddLine(mTexts.Msg_Relay_Done + name);
  return true;
}

bool cRelay::Reject(clsFTP& ftp, const std::string& name, const std::string& line) {
  if (mDryRun) {
    AddLine(line + name);
    return true;
  }
  if (!ftp.SetFtpDir(mSettings.gsUploadPath) || !ftp.MoveToFolder(name, kRejectedFolder)) {
    AddLine(mTexts.Msg_Relay_Reject_Fault + name);
    return false;
  }
  AddLine(line + name);
  return true;
}

std::optional<std::vector<std::string>> cRelay::ReadTables(const std::string& path) {
  const std::string database = path + ".mdb";
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      IgnoreFailure([&] { RemoveFile(path); });
    }
  } cleanup{database};
  engine::FSComprFile compressor;
  compressor.SourceFile(path);
  compressor.TargetFile(database);
  compressor.Decompress();
  if (compressor.ErrorCode() != engine::FSComprFile::kNoError) return std::nullopt;
  try {
    engine::Package package;
    if (!package.CheckPackage(db::OpenConnection(db::PackageConnectionString(database)), 0)) {
      return std::nullopt;
    }
    std::vector<std::string> tables;
    for (std::int32_t i = 1; i <= package.ExDatas().Count(); ++i) {
      tables.push_back(package.ExDatas().Item(i).Table());
    }
    return tables;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void cRelay::AddLine(const std::string& text) noexcept { AddRunLine(mList, text); }

}  // namespace tavex
