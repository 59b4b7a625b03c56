#include "wizards/DeleteWizard.h"

#include <QBoxLayout>
#include <exception>

#include "i18n/HostConnection.h"
#include "i18n/Messages.h"
#include "maintenance/DeletePlans.h"
#include "storage/IgnoreFailure.h"
#include "ui/ScreenPlacement.h"

namespace tavex {

namespace {

// Where a delete wizard opens its backup wizard: this far right and down.
constexpr int kBackupOffsetTwips = 1000;
// Pixels between the controls of a step that holds options and dates.
constexpr int kDenseSpacing = 6;

}  // namespace

// The wizard as the run's host: its progress list and bar, its questions
// and boxes under the common title, and its cancel button, whose flag is
// handed to the run at each round of pending events.
class DeleteWizard::RunHost : public DeleteHost {
 public:
  explicit RunHost(DeleteWizard& wizard) : mWizard(wizard), mView(wizard.View()) {
    mView.processEvents = [this] {
      mWizard.Ui().ProcessEvents();
      if (mWizard.CancelFlag() && mRun != nullptr) {
        mWizard.ClearCancelFlag();
        mRun->Cancel();
      }
    };
  }

  void Attach(DeleteRun& run) { mRun = &run; }

  const RunView& View() override { return mView; }
  bool AskYesNo(const std::string& text) override {
    return mWizard.Ui().AskYesNo(text, Messages().Msg_Title, ui::Answer::Yes);
  }
  void ShowMessage(const std::string& text) override {
    mWizard.Ui().MessageBox(text, Messages().Msg_Title);
  }

 private:
  DeleteWizard& mWizard;
  RunView mView;
  DeleteRun* mRun = nullptr;
};

QWidget* DeleteWizard::AddWelcomeStep(const std::string& welcome, const std::string& notice0,
                                      const std::string& notice1,
                                      const std::string& backupCaption) {
  QWidget* step = AddStep();
  AddWelcome(step, welcome);
  AddNotice(step, 0, notice0);
  AddNotice(step, 1, notice1);
  auto* backup = new QPushButton(QString::fromStdString(backupCaption), step);
  backup->setObjectName("cmdBackup");
  backup->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addWidget(backup);
  row->addStretch();
  static_cast<QBoxLayout*>(step->layout())->addLayout(row);
  Register(*backup, false);
  connect(backup, &QPushButton::clicked, this, [this] { cmdBackup_Click(); });
  return step;
}

void DeleteWizard::AddDatedDeleteSteps(const std::vector<std::string>& captions) {
  QWidget* step =
      AddWelcomeStep("欢迎使用数据删除向导", "本向导将帮助您删除数据...",
                     "警告：在删除数据前请确保数据已经备份，如果要备份数据请使用数据备份向导。",
                     "数据备份向导...");
  // Closer than other steps, so the choice and its warning fit in one panel.
  step->layout()->setSpacing(kDenseSpacing);
  optDeleteType = AddOptions(step, captions);
  AddDateRange(step);
  AddNotice(step, 2, "如果确定要删除数据，请点击“下一步”继续，否则请单击“取消”退出本向导。");
  static_cast<QBoxLayout*>(step->layout())->addStretch();
  AddRunSteps(3);
}

void DeleteWizard::AddRunSteps(int notice) {
  QWidget* run = AddStep();
  AddNotice(run, notice, "请输入账号及密码后, 单击“下一步”开始删除数据...");
  mLogin = AddLoginFields(run);
  AddProgress(run, "取消删除数据");
  QWidget* finished = AddStep();
  AddLabel(finished, "lblSuccess", "数据已经删除成功");
  AddNotice(finished, notice + 1, "单击“完成”或者“取消”即可退出本向导");
  static_cast<QBoxLayout*>(finished->layout())->addStretch();
}

int DeleteWizard::ChosenOption() const {
  int chosen = 0;
  while (chosen + 1 < static_cast<int>(optDeleteType.size()) &&
         !optDeleteType[static_cast<std::size_t>(chosen)]->isChecked()) {
    ++chosen;
  }
  return chosen;
}

std::optional<DateRange> DeleteWizard::Days() {
  if (optDeleteType.empty() || ChosenOption() != 0) return std::nullopt;
  std::optional<DateRange> days = DeleteDays(PickedDay("dtpBegin"), PickedDay("dtpEnd"));
  if (!days) Ui().MessageBox(DateRefusal(), Messages().Msg_Title);
  return days;
}

bool DeleteWizard::CheckChoice() {
  return optDeleteType.empty() || ChosenOption() != 0 || Days().has_value();
}

std::string DeleteWizard::UnsentQuestion(std::int64_t /*count*/) const { return ""; }

void DeleteWizard::cmdBackup_Click() {
  OpenBackup(ui::PixelsToTwips(x()) + kBackupOffsetTwips,
             ui::PixelsToTwips(y()) + kBackupOffsetTwips);
}

void DeleteWizard::ClearLogin() {
  IgnoreFailure([&] {
    mLogin.txtUID->clear();
    mLogin.txtPSW->clear();
  });
}

void DeleteWizard::ReadTexts() {
  ClearLogin();
  mRunTexts = ReadDeleteTexts(objectName().toStdString().c_str());
  ReadWizardTexts();
}

bool DeleteWizard::StepAction(int step) {
  switch (step) {
    case 0:
      if (!CheckChoice()) return false;
      ResetProgress();
      ClearCancelFlag();
      return true;
    case 1:
      return RunDeletion();
    default:
      CloseWizard();
      return true;
  }
}

std::optional<DeleteGrant> DeleteWizard::MayDelete(const std::shared_ptr<db::Connection>& host) {
  DeleteRight right = DeleteRight::BadLogin;
  std::optional<DeleteGrant> grant = DeleteGrant::Check(host, mLogin.txtUID->text().toStdString(),
                                                        mLogin.txtPSW->text().toStdString(), right);
  if (grant) return grant;
  const MessageTexts& texts = Messages();
  Ui().MessageBox(right == DeleteRight::BadLogin ? texts.Msg_CheckUser : texts.Msg_CheckPrivilege,
                  texts.Msg_Title);
  ClearLogin();
  return std::nullopt;
}

bool DeleteWizard::ConfirmUnsent(db::Connection& host, const DeletePlan& plan,
                                 const std::optional<DateRange>& days) {
  std::int64_t unsent = 0;
  try {
    unsent = CountUnsent(host, plan, days);
  } catch (const std::exception& failure) {
    // Without the count nobody can say what would be lost: delete nothing.
    Ui().MessageBox(mRunTexts.Msg_Delete_Fault + failure.what(), Messages().Msg_Title);
    return false;
  }
  if (unsent == 0) return true;
  return Ui().AskYesNo(UnsentQuestion(unsent), Messages().Msg_Title, ui::Answer::No);
}

bool DeleteWizard::RunDeletion() {
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  const std::optional<DeleteGrant> grant = MayDelete(host);
  if (!grant) return false;
  DeletePlan plan;
  try {
    plan = Plan(*host);
  } catch (const std::exception& failure) {
    // No plan, no delete; and say why.
    Ui().MessageBox(mRunTexts.Msg_Delete_Fault + failure.what(), Messages().Msg_Title);
    return false;
  }
  const std::optional<DateRange> days = Days();
  if (!ConfirmUnsent(*host, plan, days)) return false;
  EnterBusy();
  RunHost runHost(*this);
  DeleteRun run(host, mRunTexts, runHost);
  runHost.Attach(run);
  const DeleteOutcome outcome = run.Run(plan, days, *grant);
  LeaveBusy();
  ClearCancelFlag();
  return outcome == DeleteOutcome::Done;
}

}  // namespace tavex
