#pragma once

#include <memory>
#include <string>

#include "download/DownloadHost.h"
#include "engine/Package.h"
#include "framework/ProgressView.h"
#include "ui/UiServices.h"
#include "ui/WizardFrame.h"

namespace tavex {

// The download loop's host for a wizard that downloads on its own progress
// panel: each line goes to the wizard's list (pending events run after it)
// and to the synchronisation log, every sweep step lets pending events run,
// and each package raises its progress events to the wizard's handler, so
// the cancel button is honoured once an import starts. A raised failure
// reaches the synchronisation log only.
class WizardDownloadHost : public DownloadHost {
 public:
  // The wizard must outlive the host.
  explicit WizardDownloadHost(ui::WizardFrame& wizard) : mWizard(wizard), mView(wizard.View()) {}

  const RunView& View() override { return mView; }
  std::unique_ptr<engine::Package> NewPackage() override;

 private:
  ui::WizardFrame& mWizard;
  RunView mView;
  // The package in hand, kept until the next package or the host's end.
};

}  // namespace tavex
