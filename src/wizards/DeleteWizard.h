#pragma once

#include <QRadioButton>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "maintenance/DeleteRun.h"
#include "ui/WizardFrame.h"

namespace tavex {

// What the three delete wizards share: step 0 takes the choice of what to
// delete, step 1 the account and password of someone who may delete data
// and then runs the deletion with its progress, step 2 reports success.
// Each wizard hands in its plan; the run is DeleteRun.
class DeleteWizard : public ui::WizardFrame {
 public:
  using WizardFrame::WizardFrame;

  // Opens the matching backup wizard 1000 twips right of and below this one
  // and waits until it closes.
  void cmdBackup_Click();

 protected:
  // Step 0's texts and cmdBackup with `backupCaption`. Returns the step for
  // the wizard's choice.
  QWidget* AddWelcomeStep(const std::string& welcome, const std::string& notice0,
                          const std::string& notice1, const std::string& backupCaption);
  // Every step of a wizard that deletes by date: step 0 with the options of
  // what to delete (optDeleteType, these captions; the first deletes the
  // days of the range), the date range and the closing notice
  // (lblNotice_2); then AddRunSteps(3).
  void AddDatedDeleteSteps(const std::vector<std::string>& captions);
  // Step 1 (lblNotice_`notice`, the account fields, the progress) and step 2
  // (lblSuccess, lblNotice_`notice` + 1).
  void AddRunSteps(int notice);

  // The index of the chosen option.
  int ChosenOption() const;

  // Reads the wizard's own texts at load.
  virtual void ReadWizardTexts() = 0;
  // Checks the choice of step 0, showing why it is refused; by default, that
  // the range of the first option does not end before it begins.
  virtual bool CheckChoice();
  // The message for a range that ends before it begins.
  virtual std::string DateRefusal() const { return ""; }
  // What to delete; raises db::DbError when the host cannot say (nothing is
  // then deleted and the reason is shown).
  virtual DeletePlan Plan(db::Connection& host) = 0;
  // The question before deleting `count` rows head office has not received;
  // asked only by wizards whose plans count such rows.
  virtual std::string UnsentQuestion(std::int64_t count) const;
  // Shows the matching backup wizard modally at `left`, `top` (twips).
  virtual void OpenBackup(int left, int top) = 0;

 private:
  class RunHost;

  // Empties the account fields, then reads the texts: every showing starts
  // with no account entered.
  void ReadTexts() final;
  bool StepAction(int step) final;
  // The account check, the question about rows not uploaded yet, then the
  // run; true when everything chosen was deleted.
  bool RunDeletion();
  // The account check; shows why and empties the fields when refused.
  std::optional<DeleteGrant> MayDelete(const std::shared_ptr<db::Connection>& host);
  bool ConfirmUnsent(db::Connection& host, const DeletePlan& plan,
                     const std::optional<DateRange>& days);
  void ClearLogin();
  // The days the first option deletes (none for the other options); when the
  // range ends before it begins, shows DateRefusal and gives none.
  std::optional<DateRange> Days();

  std::vector<QRadioButton*> optDeleteType;
  LoginFields mLogin{};
  DeleteTexts mRunTexts;
};

// A delete wizard whose first option deletes the days of a range and which
// asks before deleting rows head office has not received: both texts come
// from its own text struct (Msg_DateTimeOutOfRange, Msg_Unsent).
template <typename Texts>
class DatedDeleteWizard : public DeleteWizard {
 public:
  using DeleteWizard::DeleteWizard;

 protected:
  std::string DateRefusal() const override { return mTexts.Msg_DateTimeOutOfRange; }
  std::string UnsentQuestion(std::int64_t count) const override {
    return mTexts.Msg_Unsent_Left + std::to_string(count) + mTexts.Msg_Unsent_Right;
  }

  Texts mTexts;
};

}  // namespace tavex
