#include "wizards/frmDDBackup.h"

#include "framework/PluginFolder.h"
#include "i18n/Messages.h"

namespace tavex {

frmDDBackup::frmDDBackup(ui::UiServices& ui, QWidget* parent)
    : PackageFileWizard("frmDDBackup", "基础数据备份向导", ui, parent) {
  QWidget* welcome = AddBackupWelcomeStep(
      "欢迎使用基础数据备份向导", "本向导将帮助您备份基础数据，并生成备份文件...",
      "提示：如果要备份基础数据，请选择要备份的基础数据类型并点击“下一步”继续，否则请单击"
      "“取消”退出本向导。");
  mGroups = std::make_unique<BaseDataGroupList>(
      welcome, [this](QWidget& button) { Register(button, false); });
  AddBackupRunStep("txtDbName");
  AddBackupFinishedStep();
}

void frmDDBackup::ReadTexts() {
  mTexts = ReadBaseDataBackupTexts();
  mGroups->Fill(mTexts.catalogue);
}

bool frmDDBackup::DefinePackage() {
  const std::vector<int> groups = mGroups->SelectedGroups();
  if (groups.empty()) {
    Ui().MessageBox(mTexts.Msg_ToSelect, Messages().Msg_Title);
    return false;
  }
  mPackage = DefineBaseDataBackup(mTexts, groups);
  if (FileField()->text().trimmed().isEmpty()) {
    FileField()->setText(QString::fromStdString(
        DefaultBaseDataPath(PluginFolder(), mTexts.Msg_PackageName, Today())));
  }
  return true;
}

}  // namespace tavex
