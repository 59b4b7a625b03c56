#include "wizards/WizardDownloadHost.h"

namespace tavex {

engine::Package& WizardDownloadHost::NewPackage() {
  mPackage = std::make_unique<engine::Package>();
  mPackage->OnProccess(mWizard.ProgressHandler());
  return *mPackage;
}

}  // namespace tavex
