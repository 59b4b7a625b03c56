#include "wizards/frmDelete.h"

#include "wizards/frmBackup.h"

namespace tavex {

frmDelete::frmDelete(ui::UiServices& ui, QWidget* parent)
    : DatedDeleteWizard("frmDelete", "数据删除向导", ui, parent) {
  AddDatedDeleteSteps({"删除指定时间内“已结账”的业务数据", "删除所有的“已结账”的业务数据",
                       "删除所有的“未结账”的业务数据", "删除所有的打印任务"});
}

DeletePlan frmDelete::Plan(db::Connection& /*host*/) {
  return BusinessDeletePlan(mTexts, static_cast<BusinessDeleteKind>(ChosenOption()));
}

void frmDelete::OpenBackup(int left, int top) {
  frmBackup backup(Ui(), this);
  backup.ShowMe(left, top);
}

}  // namespace tavex
