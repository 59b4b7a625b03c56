#include "wizards/frmDelete.h"

#include "wizards/frmBackup.h"

namespace tavex {

frmDelete::frmDelete(ui::UiServices& ui, QWidget* parent)
    : DatedDeleteWizard("frmDelete", "数据删除向导", ui, parent) {
  QWidget* welcome =
      AddWelcomeStep("欢迎使用数据删除向导", "本向导将帮助您删除数据...",
                     "警告：在删除数据前请确保数据已经备份，如果要备份数据请使用数据备份向导。",
                     "数据备份向导...");
  AddOptionsAndDates(welcome, {"删除指定时间内“已结账”的业务数据", "删除所有的“已结账”的业务数据",
                               "删除所有的“未结账”的业务数据", "删除所有的打印任务"});
  AddRunSteps(3);
}

DeletePlan frmDelete::Plan(db::Connection& /*host*/) {
  return BusinessDeletePlan(mTexts, static_cast<BusinessDeleteKind>(ChosenOption()));
}

void frmDelete::OpenBackup(int left, int top) {
  frmBackup backup(Ui(), this);
  backup.ShowMe(left, top);
}

}  // namespace tavex
