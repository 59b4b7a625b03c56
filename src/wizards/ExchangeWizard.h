#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "ui/WizardFrame.h"

namespace tavex {

// What the three exchange wizards share (upload, download, member
// synchronisation): step 0 welcomes and takes the wizard's choice, step 1
// runs the exchange on its own progress panel, again and again while it
// fails, each run's lines following those of the failed one; step 2 shows
// the outcome and on "完成" closes, opening the synchronisation log when
// asked to. While a run works the wizard is busy (it cannot be closed and
// only cmdCancel answers); after it, the bar stands full and the cancel
// flag is down whatever the outcome. The files a run keeps until the
// wizard closes are released when it closes.
class ExchangeWizard : public ui::WizardFrame {
 public:
  // As WizardFrame; every exchange wizard shares one help topic.
  ExchangeWizard(const std::string& name, const std::string& caption, ui::UiServices& ui,
                 QWidget* parent = nullptr);

  // Closes, then releases what the runs kept for as long as the wizard.
  void done(int result) override;

 protected:
  // Step 0: the welcome title and lblNotice_0, _1, ... with these captions.
  // A wizard adds its own controls below them, then ends the step with
  // EndStep.
  QWidget* AddWelcomeStep(const std::string& welcome, std::initializer_list<const char*> notices);
  // Step 1: lblNotice_`notice`, what `between` adds, and the progress panel
  // with `cancelCaption`.
  QWidget* AddRunStep(int notice, const std::string& noticeCaption,
                      const std::string& cancelCaption,
                      const std::function<void(QWidget*)>& between = {});
  // Step 2: lblSuccess, what `between` adds, lblNotice_`notice` and the
  // view-log choice.
  QWidget* AddFinishedStep(const std::string& success, int notice,
                           const std::function<void(QWidget*)>& between = {});
  // Lets the rest of `step` stay empty below its controls.
  static void EndStep(QWidget* step);

  // Checks the choice of step 0, showing why it is refused.
  virtual bool CheckChoice() { return true; }
  // lblInfo while a run works.
  virtual const std::string& StartText() const = 0;
  // One run on the progress panel, its closing text in lblInfo included;
  // true when it succeeded.
  virtual bool Run() = 0;
  // Releases what the runs kept until the wizard closes.
  virtual void ReleaseRunFiles() {}

 private:
  bool StepAction(int step) final;
  bool RunOnPanel();
};

}  // namespace tavex
