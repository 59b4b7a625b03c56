#include "download/cDownload.h"

#include "database/SharedConnection.h"
#include "download/DownloadLoop.h"
#include "engine/FSComprFile.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "storage/SyncLog.h"
#include "transfer/PrepareExchange.h"
#include "transfer/RunProgress.h"

namespace tavex {

cDownload::cDownload() = default;
cDownload::~cDownload() = default;

void cDownload::Initialize(std::shared_ptr<db::Connection> vConnection, ProgressList& vListBox,
                           ProgressBar& vProgressBar) {
  LoadMessages();
  IgnoreFailure([&] { db::SetSharedConnection(vConnection); });
  IgnoreFailure([&] { ExchangeContext::Instance().SetConnection(db::SharedConnection()); });
  mListBox = &vListBox;
  mProgressBar = &vProgressBar;
}

bool cDownload::Download() {
  if (mListBox == nullptr || mProgressBar == nullptr) return false;
  bool result = false;
  try {
    // The compression control is held for this run only.
    engine::FSComprFile compressor;
    ExchangeSettings settings;
    if (PrepareExchange(settings, [this](const std::string& text) { AddLine(text); })) {
      result = DownloadLoop(settings, compressor, *this).Run();
    }
  } catch (const std::exception& failure) {
    // The preparation reads the settings store, which may fail; say why in
    // the log, as the loop does for its own failures.
    const std::string description = failure.what();
    if (!description.empty()) WriteSyncLog(Messages().Msg_DownloadData_Fault + description);
    result = false;
  } catch (...) {
    result = false;
  }
  return result;
}

void cDownload::AddLine(const std::string& text) { AddRunLine(mListBox, text); }

engine::Package& cDownload::NewPackage() {
  mPackage = std::make_unique<engine::Package>();
  mPackage->OnProccess([this](const std::string& packageName, std::int32_t totalCount,
                              std::int32_t totalFinished, const std::string& currentExData,
                              std::int32_t currentCount, std::int32_t currentFinished, bool& cancel,
                              bool newExData) {
    mPackage_Proccess(packageName, totalCount, totalFinished, currentExData, currentCount,
                      currentFinished, cancel, newExData);
  });
  return *mPackage;
}

void cDownload::mPackage_Proccess(const std::string& /*PackageName*/, std::int32_t TotalCount,
                                  std::int32_t TotalFinished, const std::string& CurrentExData,
                                  std::int32_t CurrentCount, std::int32_t CurrentFinished,
                                  bool& /*Cancel*/, bool NewExData) {
  ShowPackageProgress(mListBox, mProgressBar, TotalCount, TotalFinished, CurrentExData,
                      CurrentCount, CurrentFinished, NewExData);
}

}  // namespace tavex
