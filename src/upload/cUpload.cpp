#include "upload/cUpload.h"

#include <chrono>
#include <functional>

#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "i18n/HostConnection.h"
#include "i18n/Messages.h"
#include "storage/HostRunLock.h"
#include "storage/IgnoreFailure.h"
#include "storage/LocalTime.h"
#include "storage/LoggedRun.h"
#include "storage/RunHistory.h"
#include "upload/PackageExport.h"
#include "upload/PackageSend.h"
#include "upload/cUploadBillEx.h"

namespace tavex {

namespace {

// The local time as "yymmddHHMMSS".
std::string TimeStamp() { return LocalTimeText(std::chrono::system_clock::now(), "%y%m%d%H%M%S"); }

// True when a bill waits to be uploaded, and when the question cannot be
// answered: the staging then decides.
bool HasData(db::Connection& connection) {
  try {
    return connection.Query(" SELECT TOP 1 * FROM bi_Bill WHERE IsUploaded=0 ")->Next();
  } catch (const db::DbError&) {
    return true;
  }
}

}  // namespace

void cUpload::Initialize(std::shared_ptr<db::Connection> vConnection, ProgressList* vListBox,
                         ProgressBar* vProgressBar) noexcept {
  LoadMessages();
  IgnoreFailure([&] { ExchangeContext::Instance().SetConnection(vConnection); });
  mView = {.list = vListBox, .bar = vProgressBar};
}

bool cUpload::Upload() noexcept {
  mFailure.clear();
  mNothingToSend = false;
  const bool result = RunLoggingFailure(
      Messages().Msg_UploadData_Fault,
      [&] {
        mCompressor = std::make_unique<engine::FSComprFile>();
        return Run();
      },
      [&](const std::string& record) { mFailure = record; });
  if (result) RecordSuccessfulRun("upload");
  if (mProbe) IgnoreFailure([&] { mProbe->DisConnect(); });
  mProbe.reset();
  AddLine("");
  mCompressor.reset();
  mPackage.reset();
  mPackageFile.reset();
  return result;
}

bool cUpload::Run() {
  const MessageTexts& texts = Messages();
  // Without a host connection the settings would read as unset: say why.
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  if (!PrepareExchange(mSettings, [this](const std::string& line) { AddLine(line); })) {
    return false;
  }
  // From the staging to the marks: another run re-staging in between would
  // have this one mark rows it never sent.
  const HostRunLock lock(*host, "upload");
  if (!lock.Held()) {
    AddLine(texts.Msg_UploadData_Busy);
    return false;
  }
  if (!HasData(*host)) {
    AddLine(texts.Msg_UploadData_NoData);
    mNothingToSend = true;
    return false;
  }
  cUploadBillEx staging;
  if (!staging.LoadData()) {
    // The staging's reason goes the way of every failure raised in the run:
    // into the log and to the host.
    if (!staging.Failure().empty()) throw db::DbError(staging.Failure());
    return false;
  }

  mProbe = std::make_unique<clsFTP>();
  if (!mProbe->Connect(mSettings.gsFtpHost, mSettings.gsFtpUID, mSettings.gsFtpPSW)) {
    AddLine(texts.Msg_FTP_Connect_Fault);
    return false;
  }

  // The export reads the staging tables only, which nothing but a run
  // writes, so no transaction is held on the host while the package is
  // built and sent: POS terminals keep writing to the same database
  // meanwhile, however slow the line.
  if (!DefinePackage() || !ExportPackage() || !SendPackage()) return false;
  MarkPackageSent(*host, *mPackage);
  return true;
}

bool cUpload::DefinePackage() {
  mPackage = std::make_unique<engine::Package>();
  mPackage->OnProccess(std::bind_front(&cUpload::mPackage_Proccess, this));
  mPackage->PackageID(mSettings.gsBranchID + "-" + TimeStamp());
  mPackage->Description(mSettings.gsBranchName);
  mPackage->DeferSourceStatements();
  return cUploadBillEx().LoadPackag(*mPackage);
}

bool cUpload::ExportPackage() {
  mPackageFile = ExportPackageFile(
      *mPackage, *mCompressor, mSettings, [this](const std::string& line) { AddLine(line); },
      [this](const std::string& description) {
        AddLine(Messages().Msg_ExportData_Fault + description);
      });
  return mPackageFile.has_value();
}

bool cUpload::SendPackage() {
  return SendPackageFile(mSettings, {.shownName = mSettings.gsFileName + ".pkg",
                                     .run = mView,
                                     .raised = [this](const std::string& description) {
                                       AddLine(Messages().Msg_UploadData_Fault + description);
                                     }});
}

void cUpload::mPackage_Proccess(const std::string& /*packageName*/, std::int32_t totalCount,
                                std::int32_t totalFinished, const std::string& currentExData,
                                std::int32_t currentCount, std::int32_t currentFinished,
                                bool& /*cancel*/, bool newExData) {
  ShowPackageProgress(mView, totalCount, totalFinished, currentExData, currentCount,
                      currentFinished, newExData);
}

void cUpload::AddLine(const std::string& text) noexcept { AddRunLine(mView, text); }

}  // namespace tavex
