#pragma once

#include <memory>
#include <string>

#include "members/MemberSync.h"
#include "members/MemberSyncTexts.h"
#include "ui/WizardFrame.h"
#include "wizards/WizardDownloadHost.h"

namespace tavex {

// The member synchronisation wizard: on its own progress panel it sends the
// branch's member records not yet uploaded and then fetches and merges
// every package waiting for the branch (MemberSync). Step 0 welcomes, step
// 1 runs the synchronisation (again and again while it fails, each run
// appending its lines), step 2 reports success and on "完成" closes,
// opening the synchronisation log when asked to. The package files sent
// stay in the temporary folder until the wizard closes.
class frmMemberSyn : public ui::WizardFrame {
 public:
  explicit frmMemberSyn(ui::UiServices& ui, QWidget* parent = nullptr);
  ~frmMemberSyn() override;

  void done(int result) override;

 protected:
  bool StepAction(int step) override;
  void ReadTexts() override;

 private:
  // One synchronisation on the progress panel; true when it all succeeded.
  bool RunSync();

  MemberSyncTexts mTexts;
  // Made once the progress panel is: they live as long as the wizard, and
  // the run keeps the files it sent until the wizard closes.
  std::unique_ptr<WizardDownloadHost> mHost;
  std::unique_ptr<MemberSync> mSync;
};

}  // namespace tavex
