#include "wizards/frmBackup.h"

namespace tavex {

frmBackup::frmBackup(ui::UiServices& ui, QWidget* parent)
    : PackageFileWizard("frmBackup", "数据备份向导", ui, parent) {
  optDeleteType =
      AddDatedBackupSteps({"备份指定时间内的业务数据", "备份所有的业务数据"}, "txtFileName");
}

bool frmBackup::DefinePackage() {
  std::optional<DateRange> range;
  if (optDeleteType[0]->isChecked()) range = DateRange{RangeBegin(), RangeEnd()};
  mPackage = DefineBusinessBackup(mTexts, range, Provider());
  return true;
}

}  // namespace tavex
