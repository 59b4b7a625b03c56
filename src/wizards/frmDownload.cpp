#include "wizards/frmDownload.h"

#include "download/DownloadLoop.h"
#include "i18n/TextTable.h"
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
    : ExchangeWizard("frmDownload", "数据下载向导", ui, parent) {
  EndStep(
      AddWelcomeStep("欢迎使用数据下载向导",
                     {"本向导将帮助您从服务器下载数据并导入到本地数据库中...",
                      "提示：如果要下载数据，请并点击“下一步”继续，否则请单击“取消”退出本向导。"}));
  AddRunStep(2, "请单击“下一步”开始下载数据并导入到本地数据库中...", "取消下载数据");
  AddFinishedStep("数据已经下载成功", 3);
}

void frmDownload::ReadTexts() { mTexts = kTextTable.Read(); }

bool frmDownload::Run() {
  WizardDownloadHost host(*this);
  const bool result = PrepareAndDownload(mSettings, FSComprFile1, host);
  if (result) ShowInfo(mTexts.Msg_SynData_Success);
  return result;
}

}  // namespace tavex
