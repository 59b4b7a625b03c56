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
  const MessageTexts& texts = Messages();
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  const AddLineFn addLine = [this](const std::string& line) { AddLine(line); };
  if (!PrepareExchange(mSettings, addLine)) return false;
  NamePackageKind(mSettings, kNameSuffix);
  // The working tables are shared by every run on the database.
  const HostRunLock lock(*host, "reports");
  if (!lock.Held()) {
    AddLine(texts.Msg_UploadData_Busy);
    return false;
  }

  mPackage = std::make_unique<engine::Package>();
  if (mView.onProgress) {
    mPackage->OnProccess(mView.onProgress);
  } else {
    mPackage->OnProccess([this](const std::string&, std::int32_t totalCount,
                                std::int32_t totalFinished, const std::string& currentExData,
                                std::int32_t currentCount, std::int32_t currentFinished, bool&,
                                bool newExData) {
      ShowPackageProgress(mView.list, mView.bar, totalCount, totalFinished, currentExData,
                          currentCount, currentFinished, newExData);
    });
  }
  if (!DefineReportPackage(*mPackage, choice, mTexts, mSettings.gsBranchID, mSettings.gsBranchName,
                           addLine)) {
    return false;
  }
  engine::FSComprFile compressor;
  mPackageFile = ExportPackageFile(*mPackage, compressor, mSettings, addLine,
                                   [this](const std::string& description) {
                                     ShowFailure(Messages().Msg_ExportData_Fault + description);
                                   });
  if (!mPackageFile) return false;
  if (exportOnly) {
    const std::string backup = mSettings.gsBackupPath + mSettings.gsFileName + ".pkg";
    CopyFileDurably(mSettings.gsPkgName, backup);
    mSettings.gsBckName = backup;
    return true;
  }
  return SendPackageFile(mSettings,
                         {.shownName = mSettings.gsPkgName,
                          .addLine = addLine,
                          .raised =
                              [this](const std::string& description) {
                                ShowFailure(Messages().Msg_UploadData_Fault + description);
                              },
                          .afterLine =
                              [this](int line) {
                                static constexpr int kUntil[] = {200, 500, 800};
                                StepBar(line == 0 ? 1 : kUntil[line - 1] + 1, kUntil[line]);
                              }});
}

void ReportRun::AddLine(const std::string& text) const noexcept {
  AddRunLine(mView.list, text);
  if (mView.processEvents) IgnoreFailure([&] { mView.processEvents(); });
}

void ReportRun::ShowFailure(const std::string& text) const noexcept {
  if (mView.showFailure) IgnoreFailure([&] { mView.showFailure(text); });
}

void ReportRun::StepBar(int from, int to) const noexcept {
  if (mView.bar == nullptr) return;
  for (int i = from; i <= to; ++i) {
    IgnoreFailure([&] {
      mView.bar->SetValue(i / 1000.0 * 100);
      if (mView.processEvents) mView.processEvents();
    });
  }
}

}  // namespace tavex
