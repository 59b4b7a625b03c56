#include "wizards/frmStBackup.h"

#include <QBoxLayout>

namespace tavex {

frmStBackup::frmStBackup(ui::UiServices& ui, QWidget* parent)
    : PackageFileWizard("frmStBackup", "数据备份向导", ui, parent) {
  QWidget* welcome = AddStep();
  AddWelcome(welcome, "欢迎使用数据备份向导");
  AddNotice(welcome, 0, "本向导将帮助您备份数据，并生成备份文件...");
  AddNotice(welcome, 1,
            "提示：如果要备份数据，请选择要备份的数据类型并点击“下一步”继续，否则请单击“取消”"
            "退出本向导。");
  optDeleteType =
      AddOptions(welcome, {"备份指定时间内的业务数据", "备份所有的业务数据", "备份基础数据"});
  AddDateRange(welcome);
  static_cast<QBoxLayout*>(welcome->layout())->addStretch();
  AddBackupRunStep("txtDbName");
  AddBackupFinishedStep();
}

bool frmStBackup::DefinePackage() {
  int chosen = 0;
  while (chosen < 2 && !optDeleteType[static_cast<std::size_t>(chosen)]->isChecked()) ++chosen;
  mPackage = DefineStockBackup(mTexts, static_cast<StockBackupKind>(chosen),
                               DateRange{RangeBegin(), RangeEnd()}, Provider());
  return true;
}

}  // namespace tavex
