#include "upload/cUpload.h"

#include <ctime>
#include <filesystem>

#include "database/SharedConnection.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"
#include "storage/SyncLog.h"
#include "upload/cUploadBillEx.h"

namespace tavex {

namespace {

// The local time as "yymmddHHMMSS".
std::string TimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  char text[16];
  return std::string(text, std::strftime(text, sizeof text, "%y%m%d%H%M%S", &parts));
}

// True when a bill waits to be uploaded, and when the question cannot be
// answered: the staging then decides.
bool HasData(db::Connection& connection) {
  try {
    return connection.Query(" SELECT TOP 1 * FROM bi_Bill WHERE IsUploaded=0 ")->Next();
  } catch (const db::DbError&) {
    return true;
  }
}

void RemoveFile(const std::string& path) noexcept {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

void cUpload::Initialize(std::shared_ptr<db::Connection> vConnection, ProgressList* vListBox,
                         ProgressBar* vProgressBar) noexcept {
  LoadMessages();
  IgnoreFailure([&] { db::SetSharedConnection(vConnection); });
  IgnoreFailure([&] { ExchangeContext::Instance().SetConnection(vConnection); });
  mListBox = vListBox;
  mProgressBar = vProgressBar;
}

bool cUpload::Upload() noexcept {
  bool result = false;
  bool inTransaction = false;
  std::unique_ptr<clsFTP> probe;
  std::unique_ptr<engine::FSComprFile> compressor;
  try {
    compressor = std::make_unique<engine::FSComprFile>();
    result = Run(*compressor, probe, inTransaction);
  } catch (...) {
    if (inTransaction) {
      IgnoreFailure([] { db::SharedConnection()->RollbackTrans(); });
    }
    result = false;
  }
  if (probe) IgnoreFailure([&] { probe->DisConnect(); });
  AddLine("");
  compressor.reset();
  mPackage.reset();
  for (const std::string& path : mCleanup) RemoveFile(path);
  mCleanup.clear();
  return result;
}

bool cUpload::Run(engine::FSComprFile& compressor, std::unique_ptr<clsFTP>& probe,
                  bool& inTransaction) {
  const MessageTexts& texts = Messages();
  if (!PrepareExchange(mSettings, [this](const std::string& line) { AddLine(line); })) {
    return false;
  }
  const std::shared_ptr<db::Connection> host = db::SharedConnection();
  if (!host) throw db::DbError("no host connection");
  if (!HasData(*host)) {
    AddLine(texts.Msg_UploadData_NoData);
    return false;
  }
  if (!cUploadBillEx().LoadData()) return false;

  probe = std::make_unique<clsFTP>();
  if (!probe->Connect(mSettings.gsFtpHost, mSettings.gsFtpUID, mSettings.gsFtpPSW)) {
    AddLine(texts.Msg_FTP_Connect_Fault);
    return false;
  }

  // Strict: a row a POS terminal writes while the run holds the
  // transaction is neither exported nor marked.
  host->BeginTrans(db::TransactionKind::Strict);
  inTransaction = true;
  if (DefinePackage() && ExportPackage(compressor) && SendPackage()) {
    host->CommitTrans();
    inTransaction = false;
    return true;
  }
  inTransaction = false;
  host->RollbackTrans();
  return false;
}

bool cUpload::DefinePackage() {
  mPackage = std::make_unique<engine::Package>();
  mPackage->OnProccess([this](const std::string& packageName, std::int32_t totalCount,
                              std::int32_t totalFinished, const std::string& currentExData,
                              std::int32_t currentCount, std::int32_t currentFinished, bool& cancel,
                              bool newExData) {
    mPackage_Proccess(packageName, totalCount, totalFinished, currentExData, currentCount,
                      currentFinished, cancel, newExData);
  });
  mPackage->PackageID(mSettings.gsBranchID + "-" + TimeStamp());
  mPackage->Description(mSettings.gsBranchName);
  return cUploadBillEx().LoadPackag(*mPackage);
}

bool cUpload::ExportPackage(engine::FSComprFile& compressor) {
  const MessageTexts& texts = Messages();
  std::shared_ptr<db::Connection> target;
  try {
    AddLine(texts.Msg_ExportData);
    storage::CreateEmptyDatabase(mSettings.gsMdbName);
    target = db::OpenConnection(db::PackageConnectionString(mSettings.gsMdbName));
    mPackage->SourceConnection(db::SharedConnection());
    mPackage->TargetConnection(target);
    if (mPackage->Export(false, true, 1)) {
      target->Close();
      compressor.SourceFile(mSettings.gsMdbName);
      compressor.TargetFile(mSettings.gsPkgName);
      compressor.Compress();
      RemoveFile(mSettings.gsMdbName);
      if (compressor.ErrorCode() != engine::FSComprFile::kNoError) {
        AddLine(texts.Msg_ExportData_Compress_Fault);
        return false;
      }
      mCleanup.push_back(mSettings.gsPkgName);
      return true;
    }
    const engine::Errors& errors = mPackage->Errors();
    if (errors.Count() >= 1) {
      AddLine(texts.Msg_ExportData_Fault_Left + std::to_string(errors.Count()) +
              texts.Msg_ExportData_Fault_Right);
      for (std::int32_t i = 1; i <= errors.Count(); ++i) {
        AddLine(std::to_string(i) + ". " + std::to_string(errors.Item(i).Number()) + "，" +
                errors.Item(i).Description());
      }
    } else {
      AddLine(texts.Msg_ExportData_Canceled);
    }
    DeletePackageDatabase(target);
    return false;
  } catch (const std::exception& failure) {
    if (*failure.what() != '\0') AddLine(texts.Msg_ExportData_Fault + failure.what());
    // A half-built package database is of no use to anyone: the next run
    // builds its own under a new name.
    DeletePackageDatabase(target);
    return false;
  }
}

void cUpload::DeletePackageDatabase(const std::shared_ptr<db::Connection>& target) noexcept {
  IgnoreFailure([&] {
    if (target && target->IsOpen()) target->Close();
  });
  RemoveFile(mSettings.gsMdbName);
}

bool cUpload::SendPackage() {
  const MessageTexts& texts = Messages();
  bool result = false;
  clsFTP ftp;
  try {
    AddLine(texts.Msg_FTP_Connect + mSettings.gsFtpHost + " ...");
    if (ftp.Connect(mSettings.gsFtpHost, mSettings.gsFtpUID, mSettings.gsFtpPSW)) {
      AddLine(texts.Msg_FTP_SetFtpDir + mSettings.gsUploadPath + " ...");
      if (ftp.SetFtpDir(mSettings.gsUploadPath)) {
        const std::string remoteName = mSettings.gsFileName + ".pkg";
        AddLine(texts.Msg_FTP_Uploading + remoteName + " ...");
        if (ftp.PutFile(remoteName, mSettings.gsPkgName)) {
          AddLine(texts.Msg_UploadData_Success);
          result = true;
        } else {
          AddLine(texts.Msg_FTP_Upload_Fault);
        }
      } else {
        AddLine(texts.Msg_FTP_SetFtpDir_Fault);
      }
    } else {
      AddLine(texts.Msg_FTP_Connect_Fault);
    }
  } catch (const std::exception& failure) {
    if (*failure.what() != '\0') AddLine(texts.Msg_UploadData_Fault + failure.what());
    result = false;
  }
  IgnoreFailure([&] { ftp.DisConnect(); });
  return result;
}

void cUpload::mPackage_Proccess(const std::string& /*packageName*/, std::int32_t totalCount,
                                std::int32_t totalFinished, const std::string& currentExData,
                                std::int32_t currentCount, std::int32_t currentFinished,
                                bool& /*cancel*/, bool newExData) {
  const MessageTexts& texts = Messages();
  if (mListBox != nullptr) {
    if (newExData) {
      mListBox->AddItem(texts.Msg_Proc_Copying + currentExData + " ...");
      mListBox->SetListIndex(mListBox->ListCount() - 1);
    }
    if (currentFinished == currentCount && mListBox->ListCount() > 0) {
      mListBox->SetItem(mListBox->ListCount() - 1,
                        texts.Msg_Proc_Copied_Left + currentExData + texts.Msg_Proc_Copied_Middle +
                            std::to_string(currentCount) + texts.Msg_Proc_Copied_Right);
    }
  }
  if (totalCount != 0 && mProgressBar != nullptr) {
    const float percent =
        static_cast<float>(totalFinished) / static_cast<float>(totalCount) * 100.0F;
    if (mProgressBar->Max() >= percent) mProgressBar->SetValue(percent);
  }
}

void cUpload::AddLine(const std::string& text) noexcept {
  IgnoreFailure([&] {
    if (mListBox == nullptr) return;
    mListBox->AddItem(text);
    mListBox->SetListIndex(mListBox->ListCount() - 1);
  });
  WriteSyncLog(text);
}

}  // namespace tavex
