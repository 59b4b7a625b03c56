#include "wizards/frmExport.h"

#include <QBoxLayout>

namespace tavex {

frmExport::frmExport(ui::UiServices& ui, QWidget* parent)
    : PackageFileWizard("frmExport", "会员资料导出向导", ui, parent) {
  SetHelpTopic("050601_ExportData");
  QWidget* welcome = AddStep();
  AddWelcome(welcome, "欢迎使用会员资料导出向导");
  AddNotice(welcome, 0, "本向导将帮助您导出会员资料，并生成数据库文件...");
  AddNotice(welcome, 1, "提示：如果要导出数据，请点击“下一步”继续，否则请单击“取消”退出本向导。");
  static_cast<QBoxLayout*>(welcome->layout())->addStretch();

  QWidget* run = AddStep();
  AddNotice(run, 2, "导出数据保存到文件：");
  // The database file common browsers open, or the same table as CSV.
  AddFileField(run, "txtDbName", ReadMemberExportTexts().FileFilter(), true);
  AddNotice(run, 3, "请单击“下一步”开始导出数据...");
  AddProgress(run, "取消导出数据");

  QWidget* finished = AddStep();
  AddLabel(finished, "lblSuccess", "数据已经备份成功");
  AddNotice(finished, 4, "数据已经导出到文件：");
  AddFileNameLabel(finished);
  AddNotice(finished, 5, "单击“完成”或者“取消”即可退出本向导");
  static_cast<QBoxLayout*>(finished->layout())->addStretch();
}

}  // namespace tavex
