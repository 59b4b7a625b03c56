#include "wizards/frmStBackup.h"

namespace tavex {

frmStBackup::frmStBackup(ui::UiServices& ui, QWidget* parent)
    : PackageFileWizard("frmStBackup", "数据备份向导", ui, parent) {
  optDeleteType = AddDatedBackupSteps(
      {"备份指定时间内的业务数据", "备份所有的业务数据", "备份基础数据"}, "txtDbName");
}

bool frmStBackup::DefinePackage() {
  int chosen = 0;
  while (chosen < 2 && !optDeleteType[static_cast<std::size_t>(chosen)]->isChecked()) ++chosen;
  mPackage = DefineStockBackup(mTexts, static_cast<StockBackupKind>(chosen),
                               DateRange{RangeBegin(), RangeEnd()}, Provider());
  return true;
}

}  // namespace tavex
