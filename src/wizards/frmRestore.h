#pragma once

#include <string>

#include "maintenance/MaintenanceRuns.h"
#include "ui/WizardFrame.h"

namespace tavex {

// The restore wizard: brings the rows of a package file made by a backup
// wizard back into the host database. Step 0 welcomes, step 1 takes the
// file and runs the restore with its progress, step 2 reports success. A
// package that replaces accounts or privileges is merged only under the
// account and password of someone who may delete data: step 1 asks for them
// once such a package is chosen.
class frmRestore : public ui::WizardFrame {
 public:
  explicit frmRestore(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  bool StepAction(int step) override;
  void ReadTexts() override;

 private:
  // Unpacks the chosen package into a working file of its own, checks it and
  // merges it into the shared connection; true when every table step was
  // merged.
  bool RunRestore();
  bool Restore(const std::string& packagePath);
  // Shows or hides the account fields, emptied either way.
  void AskLogin(bool ask);

  RestoreTexts mTexts;
  QLabel* mLoginNotice = nullptr;
  LoginFields mLogin{};
  bool mAskLogin = false;
};

}  // namespace tavex
