#include "wizards/PackageFileWizard.h"

#include <QBoxLayout>
#include <QDate>
#include <exception>

#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

QWidget* PackageFileWizard::AddBackupWelcomeStep(const std::string& welcome,
                                                 const std::string& notice0,
                                                 const std::string& notice1) {
  QWidget* step = AddStep();
  AddWelcome(step, welcome);
  AddNotice(step, 0, notice0);
  AddNotice(step, 1, notice1);
  return step;
}

std::vector<QRadioButton*> PackageFileWizard::AddDatedBackupSteps(
    const std::vector<std::string>& options, const char* pathField) {
  QWidget* welcome = AddBackupWelcomeStep(
      "欢迎使用数据备份向导", "本向导将帮助您备份数据，并生成备份文件...",
      "提示：如果要备份数据，请选择要备份的数据类型并点击“下一步”继续，否则请单击“取消”"
      "退出本向导。");
  std::vector<QRadioButton*> choices = AddOptions(welcome, options);
  AddDateRange(welcome);
  static_cast<QBoxLayout*>(welcome->layout())->addStretch();
  AddBackupRunStep(pathField);
  AddBackupFinishedStep();
  return choices;
}

void PackageFileWizard::AddBackupRunStep(const char* pathField) {
  QWidget* run = AddStep();
  AddNotice(run, 2, "导出数据保存到文件：");
  AddFileField(run, pathField, Messages().Msg_Filter_PkgFile + "|*.pkg", true);
  AddNotice(run, 3, "请单击“下一步”开始导出数据...");
  AddProgress(run, "取消导出数据");
}

void PackageFileWizard::AddFileNameLabel(QWidget* step) {
  lblFileName = new QLabel(step);
  lblFileName->setObjectName("lblFileName");
  lblFileName->setWordWrap(true);
  step->layout()->addWidget(lblFileName);
}

void PackageFileWizard::AddBackupFinishedStep() {
  QWidget* finished = AddStep();
  AddNotice(finished, 4, "数据已经备份到文件：");
  AddFileNameLabel(finished);
  AddLabel(finished, "lblSuccess", "数据已经备份成功");
  AddNotice(finished, 5, "单击“完成”或者“取消”即可退出本向导");
  static_cast<QBoxLayout*>(finished->layout())->addStretch();
}

std::string PackageFileWizard::Provider() { return storage::GetProvider(); }

std::chrono::year_month_day PackageFileWizard::Today() {
  const QDate today = QDate::currentDate();
  return std::chrono::year_month_day{std::chrono::year{today.year()},
                                     std::chrono::month{static_cast<unsigned>(today.month())},
                                     std::chrono::day{static_cast<unsigned>(today.day())}};
}

RunOutcome PackageFileWizard::Write(const std::string& path) {
  return RunBackup(*mPackage, ExchangeContext::Instance().Connection(), path);
}

bool PackageFileWizard::StepAction(int step) {
  switch (step) {
    case 0:
      if (!DefinePackage()) return false;
      ResetProgress();
      CancelButton()->setEnabled(false);
      return true;
    case 1:
      return RunStep();
    default:
      CloseWizard();
      return true;
  }
}

bool PackageFileWizard::RunStep() {
  const std::optional<std::string> path = PathOrChooser();
  if (!path || !mPackage) return false;
  EnterBusy();
  bool written = false;
  const std::string& title = Messages().Msg_Title;
  try {
    mPackage->OnProccess(ProgressHandler());
    const RunOutcome outcome = Write(*path);
    written = outcome == RunOutcome::Done;
    if (written) {
      IgnoreFailure([&] { lblFileName->setText(QString::fromStdString(*path)); });
    } else if (outcome != RunOutcome::Cancelled) {
      Ui().MessageBox(FaultText(), title);
    }
  } catch (const std::exception& error) {
    Ui().MessageBox(FaultText() + "\r" + error.what(), title);
  }
  LeaveBusy();
  return written;
}

}  // namespace tavex
