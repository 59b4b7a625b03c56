#pragma once

#include <memory>
#include <string>

#include "members/MemberSync.h"
#include "members/MemberSyncTexts.h"
#include "wizards/ExchangeWizard.h"
#include "wizards/WizardDownloadHost.h"

namespace tavex {

// The member synchronisation wizard: on its own progress panel it sends the
// branch's member records not yet uploaded and then fetches and merges
// every package waiting for the branch (MemberSync). Step 0 only welcomes;
// step 2 reports success. The package files sent stay in the temporary
// folder until the wizard closes.
class frmMemberSyn : public ExchangeWizard {
 public:
  explicit frmMemberSyn(ui::UiServices& ui, QWidget* parent = nullptr);
  ~frmMemberSyn() override;

 protected:
  void ReadTexts() override;
  const std::string& StartText() const override { return mTexts.Msg_SynData_Begin; }
  // One synchronisation; true when it all succeeded. A failed send says so
  // in lblInfo, a failed download leaves the start text standing.
  bool Run() override;
  void ReleaseRunFiles() override { mSync->RemoveSentPackages(); }

 private:
  MemberSyncTexts mTexts;
  // Made once the progress panel is: they live as long as the wizard, and
  // the run keeps the files it sent until the wizard closes.
  std::unique_ptr<WizardDownloadHost> mHost;
  std::unique_ptr<MemberSync> mSync;
};

}  // namespace tavex
