#include "wizards/frmMemberSyn.h"

#include <QBoxLayout>

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

frmMemberSyn::frmMemberSyn(ui::UiServices& ui, QWidget* parent)
    : WizardFrame("frmMemberSyn", "数据同步向导", ui, parent) {
  SetHelpTopic("050602_MemberSyn");
  QWidget* welcome = AddStep();
  AddWelcome(welcome, "欢迎使用数据同步向导");
  AddNotice(welcome, 0,
            "本向导将帮助您导出本地的会员数据数据，并上传数据到服务器，同时从服务器下载新的数据"
            "。");
  AddNotice(welcome, 1,
            "警告：由于数据存在与多个分店和总部服务器中，要保证各个分店和总部服务器的数据一致，"
            "强烈要求各个每天进行数据同步。");
  AddNotice(welcome, 2,
            "提示：如果要进行数据同步，请确保网络连接正常。点击“下一步”继续，否则请单击“取消”"
            "退出本向导。");
  static_cast<QBoxLayout*>(welcome->layout())->addStretch();

  QWidget* run = AddStep();
  AddNotice(run, 3, "请单击“下一步”开始同步数据...");
  AddProgress(run, "取消导出数据");

  QWidget* finished = AddStep();
  AddLabel(finished, "lblSuccess", "数据同步已经完成");
  AddNotice(finished, 4, "单击“完成”或者“取消”即可退出本向导");
  AddViewLogChoice(finished);
  static_cast<QBoxLayout*>(finished->layout())->addStretch();

  mHost = std::make_unique<WizardDownloadHost>(*this);
  mSync = std::make_unique<MemberSync>(
      *mHost, [this](const std::string& record) { Ui().MessageBox(record, Messages().Msg_Title); });
}

frmMemberSyn::~frmMemberSyn() = default;

void frmMemberSyn::ReadTexts() { mTexts = ReadMemberSyncTexts(); }

bool frmMemberSyn::StepAction(int step) {
  switch (step) {
    case 0:
      ResetProgress();
      return true;
    case 1:
      return RunSync();
    default:
      CloseAndViewLog();
      return true;
  }
}

bool frmMemberSyn::RunSync() {
  // A run that fails is run again from the same panel: its lines follow
  // those of the failed one.
  EnterBusy(false);
  ShowInfo(mTexts.Msg_SynData_Begin);
  const MemberSyncResult result = mSync->Run();
  if (result == MemberSyncResult::SendFailed) ShowInfo(mTexts.Msg_SynData_Fault);
  if (result == MemberSyncResult::Done) ShowInfo(mTexts.Msg_SynData_Success);
  ClearCancelFlag();
  IgnoreFailure([&] { Bar()->SetValue(Bar()->Max()); });
  LeaveBusy();
  return result == MemberSyncResult::Done;
}

void frmMemberSyn::done(int result) {
  // Closing is refused while a run is busy, so nothing is sending now.
  mSync->RemoveSentPackages();
  WizardFrame::done(result);
}

}  // namespace tavex
