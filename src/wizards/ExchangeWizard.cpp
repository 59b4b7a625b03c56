#include "wizards/ExchangeWizard.h"

#include <QBoxLayout>

#include "storage/IgnoreFailure.h"

namespace tavex {

ExchangeWizard::ExchangeWizard(const std::string& name, const std::string& caption,
                               ui::UiServices& ui, QWidget* parent)
    : WizardFrame(name, caption, ui, parent) {
  SetHelpTopic("050602_MemberSyn");
}

QWidget* ExchangeWizard::AddWelcomeStep(const std::string& welcome,
                                        std::initializer_list<const char*> notices) {
  QWidget* step = AddStep();
  AddWelcome(step, welcome);
  int index = 0;
  for (const char* notice : notices) AddNotice(step, index++, notice);
  return step;
}

QWidget* ExchangeWizard::AddRunStep(int notice, const std::string& noticeCaption,
                                    const std::string& cancelCaption,
                                    const std::function<void(QWidget*)>& between) {
  QWidget* step = AddStep();
  AddNotice(step, notice, noticeCaption);
  if (between) between(step);
  AddProgress(step, cancelCaption);
  return step;
}

QWidget* ExchangeWizard::AddFinishedStep(const std::string& success, int notice,
                                         const std::function<void(QWidget*)>& between) {
  QWidget* step = AddStep();
  AddLabel(step, "lblSuccess", success);
  if (between) between(step);
  AddNotice(step, notice, "单击“完成”或者“取消”即可退出本向导");
  AddViewLogChoice(step);
  EndStep(step);
  return step;
}

void ExchangeWizard::EndStep(QWidget* step) {
  static_cast<QBoxLayout*>(step->layout())->addStretch();
}

bool ExchangeWizard::StepAction(int step) {
  switch (step) {
    case 0:
      if (!CheckChoice()) return false;
      ResetProgress();
      return true;
    case 1:
      return RunOnPanel();
    default:
      CloseAndViewLog();
      return true;
  }
}

bool ExchangeWizard::RunOnPanel() {
  // A run that fails is run again from the same panel: its lines follow
  // those of the failed one.
  EnterBusy(false);
  ShowInfo(StartText());
  const bool result = Run();
  ClearCancelFlag();
  IgnoreFailure([&] { Bar()->SetValue(Bar()->Max()); });
  LeaveBusy();
  return result;
}

void ExchangeWizard::done(int result) {
  WizardFrame::done(result);
  // Closing is refused while a run is busy, so no run holds these now.
  IgnoreFailure([&] { ReleaseRunFiles(); });
}

}  // namespace tavex
