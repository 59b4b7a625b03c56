#include "wizards/frmDDDelete.h"

#include "i18n/Messages.h"
#include "wizards/frmDDBackup.h"

namespace tavex {

frmDDDelete::frmDDDelete(ui::UiServices& ui, QWidget* parent)
    : DeleteWizard("frmDDDelete", "基础数据删除向导", ui, parent) {
  QWidget* welcome = AddWelcomeStep(
      "欢迎使用基础数据删除向导", "本向导将帮助您删除基础数据...",
      "警告：在删除数据前请确保基础数据已经备份，如果要备份数据请使用基础数据备份向导。",
      "基础数据备份向导...");
  mGroups = std::make_unique<BaseDataGroupList>(
      welcome, [this](QWidget& button) { Register(button, false); });
  AddRunSteps(2);
}

void frmDDDelete::ReadWizardTexts() {
  mTexts = ReadBaseDataDeleteTexts();
  mGroups->Fill(mTexts.catalogue);
}

bool frmDDDelete::CheckChoice() {
  if (!mGroups->SelectedGroups().empty()) return true;
  Ui().MessageBox(mTexts.Msg_ToSelect, Messages().Msg_Title);
  return false;
}

DeletePlan frmDDDelete::Plan(db::Connection& /*host*/) {
  return BaseDataDeletePlan(mTexts.catalogue, mGroups->SelectedGroups());
}

void frmDDDelete::OpenBackup(int left, int top) {
  frmDDBackup backup(Ui(), this);
  backup.ShowMe(left, top);
}

}  // namespace tavex
