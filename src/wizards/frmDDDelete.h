#pragma once

#include <memory>

#include "maintenance/DeletePlans.h"
#include "wizards/BaseDataGroupList.h"
#include "wizards/DeleteWizard.h"

namespace tavex {

// The base data delete wizard: empties every table of the chosen groups of
// the base data catalogue, keeping the built-in payment subject.
class frmDDDelete : public DeleteWizard {
 public:
  explicit frmDDDelete(ui::UiServices& ui, QWidget* parent = nullptr);

  void cmdSelectAll_Click() { mGroups->SelectAll(true); }
  void cmdSelectNone_Click() { mGroups->SelectAll(false); }

 protected:
  // Reads the texts and fills the group list, every group selected.
  void ReadWizardTexts() override;
  bool CheckChoice() override;
  DeletePlan Plan(db::Connection& host) override;
  void OpenBackup(int left, int top) override;

 private:
  std::unique_ptr<BaseDataGroupList> mGroups;
  BaseDataDeleteTexts mTexts;
};

}  // namespace tavex
