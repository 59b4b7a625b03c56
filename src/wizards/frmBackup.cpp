#include "wizards/frmBackup.h"

#include <QBoxLayout>

namespace tavex {

frmBackup::frmBackup(ui::UiServices& ui, QWidget* parent)
    : PackageFileWizard("frmBackup", "数据备份向导", ui, parent) {
  QWidget* welcome = AddStep();
  AddWelcome(welcome, "欢迎使用数据备份向导");
  AddNotice(welcome, 0, "本向导将帮助您备份数据，并生成备份文件...");
  AddNotice(welcome, 1,
            "提示：如果要备份数据，请选择要备份的数据类型并点击“下一步”继续，否则请单击“取消”"
            "退出本向导。");
  optDeleteType = AddOptions(welcome, {"备份指定时间内的业务数据", "备份所有的业务数据"});
  AddDateRange(welcome);
  static_cast<QBoxLayout*>(welcome->layout())->addStretch();
  AddBackupRunStep("txtFileName");
  AddBackupFinishedStep();
}

bool frmBackup::DefinePackage() {
  std::optional<DateRange> range;
  if (optDeleteType[0]->isChecked()) range = DateRange{RangeBegin(), RangeEnd()};
  mPackage = DefineBusinessBackup(mTexts, range, Provider());
  return true;
}

}  // namespace tavex
