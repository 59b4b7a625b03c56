#include "wizards/WizardDownloadHost.h"

namespace tavex {

std::unique_ptr<engine::Package> WizardDownloadHost::NewPackage() {
  auto package = std::make_unique<engine::Package>();
  package->OnProccess(mWizard.ProgressHandler());
  return package;
}

}  // namespace tavex
