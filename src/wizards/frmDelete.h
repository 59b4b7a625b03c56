#pragma once

#include "maintenance/DeletePlans.h"
#include "wizards/DeleteWizard.h"

namespace tavex {

// The business data delete wizard: the settled bills of a date range or all
// of them, every open bill (which frees every table), or every print job.
class frmDelete : public DeleteWizard {
 public:
  explicit frmDelete(ui::UiServices& ui, QWidget* parent = nullptr);

 protected:
  void ReadWizardTexts() override { mTexts = ReadBusinessDeleteTexts(); }
  std::string DateRefusal() const override { return mTexts.Msg_DateTimeOutOfRange; }
  DeletePlan Plan(db::Connection& host) override;
  std::string UnsentQuestion(std::int64_t count) const override;
  void OpenBackup(int left, int top) override;

 private:
  BusinessDeleteTexts mTexts;
};

}  // namespace tavex
