#include "download/cDownload.h"

#include <functional>

#include "download/DownloadLoop.h"
#include "engine/FSComprFile.h"
#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

cDownload::cDownload() = default;
cDownload::~cDownload() = default;

void cDownload::Initialize(std::shared_ptr<db::Connection> vConnection, ProgressList& vListBox,
                           ProgressBar& vProgressBar) {
  LoadMessages();
  IgnoreFailure([&] { ExchangeContext::Instance().SetConnection(vConnection); });
  mView = {.list = &vListBox, .bar = &vProgressBar};
}

bool cDownload::Download() {
  if (mView.list == nullptr) return false;
  mFailure.clear();
  // The compression control is held for this run only.
  engine::FSComprFile compressor;
  ExchangeSettings settings;
  return PrepareAndDownload(settings, compressor, *this);
}

void cDownload::FailureLogged(const std::string& record) {
  mFailure += (mFailure.empty() ? "" : "\n") + record;
}

std::unique_ptr<engine::Package> cDownload::NewPackage() {
  auto package = std::make_unique<engine::Package>();
  package->OnProccess(std::bind_front(&cDownload::mPackage_Proccess, this));
  return package;
}

void cDownload::mPackage_Proccess(const std::string& /*PackageName*/, std::int32_t TotalCount,
                                  std::int32_t TotalFinished, const std::string& CurrentExData,
                                  std::int32_t CurrentCount, std::int32_t CurrentFinished,
                                  bool& /*Cancel*/, bool NewExData) {
  ShowPackageProgress(mView, TotalCount, TotalFinished, CurrentExData, CurrentCount,
                      CurrentFinished, NewExData);
}

}  // namespace tavex
