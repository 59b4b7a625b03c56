#include "wizards/frmMemberSyn.h"

#include "i18n/Messages.h"

namespace tavex {

frmMemberSyn::frmMemberSyn(ui::UiServices& ui, QWidget* parent)
    : ExchangeWizard("frmMemberSyn", "数据同步向导", ui, parent) {
  EndStep(AddWelcomeStep(
      "欢迎使用数据同步向导",
      {"本向导将帮助您导出本地的会员数据数据，并上传数据到服务器，同时从服务器下载新的数据。",
       "警告：由于数据存在与多个分店和总部服务器中，要保证各个分店和总部服务器的数据一致，"
       "强烈要求各个每天进行数据同步。",
       "提示：如果要进行数据同步，请确保网络连接正常。点击“下一步”继续，否则请单击“取消”"
       "退出本向导。"}));
  AddRunStep(3, "请单击“下一步”开始同步数据...", "取消导出数据");
  AddFinishedStep("数据同步已经完成", 4);

  mHost = std::make_unique<WizardDownloadHost>(*this);
  mSync = std::make_unique<MemberSync>(
      *mHost, [this](const std::string& record) { Ui().MessageBox(record, Messages().Msg_Title); });
}

frmMemberSyn::~frmMemberSyn() = default;

void frmMemberSyn::ReadTexts() { mTexts = ReadMemberSyncTexts(); }

bool frmMemberSyn::Run() {
  const MemberSyncResult result = mSync->Run();
  if (result == MemberSyncResult::SendFailed) ShowInfo(mTexts.Msg_SynData_Fault);
  if (result == MemberSyncResult::Done) ShowInfo(mTexts.Msg_SynData_Success);
  return result == MemberSyncResult::Done;
}

}  // namespace tavex
