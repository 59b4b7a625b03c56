#include "wizards/frmRestore.h"

#include <QBoxLayout>
#include <exception>

#include "engine/Package.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "maintenance/MaintenanceRuns.h"
#include "storage/IgnoreFailure.h"
#include "trust/CheckTexts.h"

namespace tavex {

namespace {

// Pending events run this many times before the copy starts, so the progress
// step is fully painted first.
constexpr int kPaintRounds = 1001;

}  // namespace

frmRestore::frmRestore(ui::UiServices& ui, QWidget* parent)
    : WizardFrame("frmRestore", "数据导入向导", ui, parent) {
  QWidget* welcome = AddStep();
  AddWelcome(welcome, "欢迎使用数据导入向导");
  AddNotice(welcome, 0, "本向导将帮助您从备份文件中导入数据...");
  AddNotice(welcome, 1, "如果确定要导入数据，请点击“下一步”继续，否则请单击“取消”退出本向导。");
  static_cast<QBoxLayout*>(welcome->layout())->addStretch();

  QWidget* run = AddStep();
  AddNotice(run, 2, "请选择要导入的数据文件:");
  QLineEdit* file = AddFileField(run, "txtFileName", Messages().Msg_Filter_PkgFile + "|*.pkg");
  connect(file, &QLineEdit::textChanged, file,
          [file](const QString& text) { file->setToolTip(text); });
  AddNotice(run, 3, "请单击“下一步”开始导入数据...");
  mLoginNotice = AddLabel(run, "lblLogin",
                          "所选文件会替换账号及权限：请输入有删除数据权限的账号及密码后, "
                          "单击“下一步”开始导入数据...");
  mLogin = AddLoginFields(run, true);
  connect(file, &QLineEdit::textChanged, this, [this] { AskLogin(false); });
  AddProgress(run, "取消导入数据");

  QWidget* finished = AddStep();
  AddLabel(finished, "lblSuccess", "数据已经导入成功");
  AddNotice(finished, 4, "数据已经导入成功");
  AddNotice(finished, 5, "单击“完成”或者“取消”即可退出本向导");
  static_cast<QBoxLayout*>(finished->layout())->addStretch();
}

void frmRestore::ReadTexts() {
  mTexts = ReadRestoreTexts();
  AskLogin(false);
}

void frmRestore::AskLogin(bool ask) {
  mAskLogin = ask;
  IgnoreFailure([&] {
    for (QWidget* widget : std::initializer_list<QWidget*>{
             mLoginNotice, mLogin.lblUID, mLogin.txtUID, mLogin.lblPSW, mLogin.txtPSW}) {
      widget->setVisible(ask);
    }
    mLogin.txtUID->clear();
    mLogin.txtPSW->clear();
    if (ask) mLogin.txtUID->setFocus();
  });
}

bool frmRestore::StepAction(int step) {
  switch (step) {
    case 0:
      ResetProgress();
      CancelButton()->setEnabled(false);
      return true;
    case 1:
      return RunRestore();
    default:
      CloseWizard();
      return true;
  }
}

bool frmRestore::RunRestore() {
  EnterBusy();
  bool result = false;
  try {
    if (const std::optional<std::string> packagePath = PathOrChooser()) {
      result = Restore(*packagePath);
    }
  } catch (const std::exception& error) {
    Ui().MessageBox(mTexts.Msg_ImportFault + "\r" + error.what(), Messages().Msg_Title);
  } catch (...) {
    Ui().MessageBox(mTexts.Msg_ImportFault, Messages().Msg_Title);
  }
  LeaveBusy();
  return result;
}

bool frmRestore::Restore(const std::string& packagePath) {
  engine::Package mPackage;
  mPackage.OnProccess(ProgressHandler());
  std::optional<RestoreLogin> login;
  if (mAskLogin) {
    login = RestoreLogin{mLogin.txtUID->text().toStdString(), mLogin.txtPSW->text().toStdString()};
  }
  const RunResult result = RestorePackage(
      mPackage, packagePath, ExchangeContext::Instance().Connection(),
      [&] {
        ClearCancelFlag();
        for (int i = 0; i < kPaintRounds; ++i) Ui().ProcessEvents();
      },
      login);
  const RunOutcome outcome = result.outcome;
  if (outcome == RunOutcome::BadFile) AddLine(mTexts.Msg_Error);
  if (outcome == RunOutcome::Refused) {
    AddLine(trust::ReadCheckTexts().Msg_Check_Refused + result.reason);
  } else if (!result.reason.empty()) {
    AddLine(result.reason);
  }
  if (outcome == RunOutcome::BadLogin || outcome == RunOutcome::NoPrivilege) {
    // The first refusal of a package of accounts only asks for the account.
    if (login) {
      AddLine(outcome == RunOutcome::BadLogin ? Messages().Msg_CheckUser
                                              : Messages().Msg_CheckPrivilege);
    }
    AskLogin(true);
  }
  return outcome == RunOutcome::Done;
}

}  // namespace tavex
