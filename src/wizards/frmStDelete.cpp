#include "wizards/frmStDelete.h"

#include "wizards/frmStBackup.h"

namespace tavex {

frmStDelete::frmStDelete(ui::UiServices& ui, QWidget* parent)
    : DatedDeleteWizard("frmStDelete", "数据删除向导", ui, parent) {
  AddDatedDeleteSteps({"删除指定时间内的业务数据", "删除所有的业务数据", "删除基础数据"});
}

DeletePlan frmStDelete::Plan(db::Connection& host) {
  const auto kind = static_cast<StockBackupKind>(ChosenOption());
  // A probe that fails raises: without it nobody can say whether documents
  // head office has not received would be lost.
  const bool uploadFlag = kind != StockBackupKind::MasterTables && StockBillsHaveUploadFlag(host);
  return StockDeletePlan(mTexts, kind, uploadFlag);
}

void frmStDelete::OpenBackup(int left, int top) {
  frmStBackup backup(Ui(), this);
  backup.ShowMe(left, top);
}

}  // namespace tavex
