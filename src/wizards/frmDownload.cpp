#include "wizards/frmDownload.h"

#include <QBoxLayout>

#include "download/DownloadLoop.h"
#include "i18n/Messages.h"
#include "i18n/TextTable.h"
#include "storage/IgnoreFailure.h"
#include "wizards/WizardDownloadHost.h"

namespace tavex {

namespace {

constexpr TextRow<DownloadWizardTexts> kTextRows[] = {
    {"Msg_SynData", "下载数据已经开始！", &DownloadWizardTexts::Msg_SynData_Begin, "Begin"},
    {"Msg_SynData", "下载数据已经完成！", &DownloadWizardTexts::Msg_SynData_Success, "Success"},
};
const TextTable<DownloadWizardTexts> kTextTable({"frmDownload"}, kTextRows);

}  // namespace

frmDownload::frmDownload(ui::UiServices& ui, QWidget* parent)
    : WizardFrame("frmDownload", "数据下载向导", ui, parent) {
  SetHelpTopic("050602_MemberSyn");
  QWidget* welcome = AddStep();
  AddWelcome(welcome, "欢迎使用数据下载向导");
  AddNotice(welcome, 0, "本向导将帮助您从服务器下载数据并导入到本地数据库中...");
  AddNotice(welcome, 1, "提示：如果要下载数据，请并点击“下一步”继续，否则请单击“取消”退出本向导。");
  static_cast<QBoxLayout*>(welcome->layout())->addStretch();

  QWidget* run = AddStep();
  AddNotice(run, 2, "请单击“下一步”开始下载数据并导入到本地数据库中...");
  AddProgress(run, "取消下载数据");

  QWidget* finished = AddStep();
  AddLabel(finished, "lblSuccess", "数据已经下载成功");
  AddNotice(finished, 3, "单击“完成”或者“取消”即可退出本向导");
  AddViewLogChoice(finished);
  static_cast<QBoxLayout*>(finished->layout())->addStretch();
}

void frmDownload::ReadTexts() { mTexts = kTextTable.Read(); }

bool frmDownload::StepAction(int step) {
  switch (step) {
    case 0:
      ResetProgress();
      return true;
    case 1:
      return RunDownload();
    default:
      CloseAndViewLog();
      return true;
  }
}

bool frmDownload::RunDownload() {
  // A run that fails is run again from the same panel: its lines follow
  // those of the failed one.
  EnterBusy(false);
  ShowInfo(mTexts.Msg_SynData_Begin);
  WizardDownloadHost host(*this);
  const bool result = PrepareAndDownload(mSettings, FSComprFile1, host);
  if (result) ShowInfo(mTexts.Msg_SynData_Success);
  ClearCancelFlag();
  IgnoreFailure([&] { Bar()->SetValue(Bar()->Max()); });
  LeaveBusy();
  return result;
}

}  // namespace tavex
