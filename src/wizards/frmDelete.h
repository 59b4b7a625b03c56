#pragma once

#include "maintenance/DeletePlans.h"
#include "wizards/DeleteWizard.h"

namespace tavex {

// The business data delete wizard: the settled bills of a date range or all
// of them, every open bill (which frees every table), or every print job.
class frmDelete : public DatedDeleteWizard<BusinessDeleteTexts> {
 public:
  explicit frmDelete(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadWizardTexts() override { mTexts = ReadBusinessDeleteTexts(); }
  DeletePlan Plan(db::Connection& host) override;
  void OpenBackup(int left, int top) override;
};

}  // namespace tavex
