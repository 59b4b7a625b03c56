#include "upload/ReportRun.h"

#include "engine/FSComprFile.h"
#include "engine/RunProgress.h"
#include "i18n/HostConnection.h"
#include "i18n/Messages.h"
#include "storage/DurableFile.h"
#include "storage/HostRunLock.h"
#include "storage/IgnoreFailure.h"
#include "storage/LoggedRun.h"
#include "upload/PackageExport.h"
#include "upload/PackageSend.h"

namespace tavex {

namespace {

constexpr const char* kNameSuffix = "-R";

}  // namespace

ReportRun::ReportRun(ReportRunView view) : mView(std::move(view)), mTexts(ReadReportTexts()) {}

ReportRun::~ReportRun() = default;

bool ReportRun::Run(const ReportChoice& choice, bool exportOnly) noexcept {
  mFailure.clear();
  mSettings.gsBckName.clear();
  const bool result = RunLoggingFailure(
      Messages().Msg_UploadData_Fault, [&] { return Steps(choice, exportOnly); },
      [&](const std::string& record) { mFailure = record; });
  mPackage.reset();
  return result;
}

bool ReportRun::Steps(const ReportChoice& choice, bool exportOnly) {
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  if (!PrepareExchange(mSettings, [this](const std::string& line) { AddLine(line); })) {
    return false;
  }
  NamePackageKind(mSettings, kNameSuffix);
  // The working tables are shared by every run on the database.
  const HostRunLock lock(*host, "reports");
  if (!lock.Held()) {
    AddLine(Messages().Msg_UploadData_Busy);
    return false;
  }
  if (!DefinePackage(choice) || !ExportPackage()) return false;
  return exportOnly ? KeepCopy() : SendPackage();
}

bool ReportRun::DefinePackage(const ReportChoice& choice) {
  mPackage = std::make_unique<engine::Package>();
  if (mView.onProgress) {
    mPackage->OnProccess(mView.onProgress);
  } else {
    mPackage->OnProccess([this](const std::string&, std::int32_t totalCount,
                                std::int32_t totalFinished, const std::string& currentExData,
                                std::int32_t currentCount, std::int32_t currentFinished, bool&,
                                bool newExData) {
      ShowPackageProgress(mView.run, totalCount, totalFinished, currentExData, currentCount,
                          currentFinished, newExData);
    });
  }
  return DefineReportPackage(*mPackage, choice, mTexts, mSettings.gsBranchID,
                             mSettings.gsBranchName,
                             [this](const std::string& line) { AddLine(line); });
}

bool ReportRun::ExportPackage() {
  engine::FSComprFile compressor;
  mPackageFile = ExportPackageFile(
      *mPackage, compressor, mSettings, [this](const std::string& line) { AddLine(line); },
      [this](const std::string& description) {
        ShowFailure(Messages().Msg_ExportData_Fault + description);
      });
  return mPackageFile.has_value();
}

bool ReportRun::KeepCopy() {
  const std::string backup = mSettings.gsBackupPath + mSettings.gsFileName + ".pkg";
  CopyFileDurably(mSettings.gsPkgName, backup);
  mSettings.gsBckName = backup;
  return true;
}

bool ReportRun::SendPackage() {
  return SendPackageFile(mSettings,
                         {.shownName = mSettings.gsPkgName,
                          .run = mView.run,
                          .raised =
                              [this](const std::string& description) {
                                ShowFailure(Messages().Msg_UploadData_Fault + description);
                              },
                          .sweepBar = true});
}

void ReportRun::AddLine(const std::string& text) const noexcept { AddRunLine(mView.run, text); }

void ReportRun::ShowFailure(const std::string& text) const noexcept {
  if (mView.showFailure) IgnoreFailure([&] { mView.showFailure(text); });
}

}  // namespace tavex
