#include "wizards/WizardDownloadHost.h"

#include "storage/SyncLog.h"

namespace tavex {

void WizardDownloadHost::AddLine(const std::string& text) {
  mWizard.AddLine(text);
  WriteSyncLog(text);
}

engine::Package& WizardDownloadHost::NewPackage() {
  mPackage = std::make_unique<engine::Package>();
  mPackage->OnProccess(mWizard.ProgressHandler());
  return *mPackage;
}

}  // namespace tavex
