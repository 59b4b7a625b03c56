#include "wizards/frmDDBackup.h"

#include <QBoxLayout>
#include <QPushButton>

#include "framework/PluginFolder.h"
#include "i18n/Messages.h"

namespace tavex {

frmDDBackup::frmDDBackup(ui::UiServices& ui, QWidget* parent)
    : PackageFileWizard("frmDDBackup", "基础数据备份向导", ui, parent) {
  QWidget* welcome = AddStep();
  AddWelcome(welcome, "欢迎使用基础数据备份向导");
  AddNotice(welcome, 0, "本向导将帮助您备份基础数据，并生成备份文件...");
  AddNotice(welcome, 1,
            "提示：如果要备份基础数据，请选择要备份的基础数据类型并点击“下一步”继续，否则请单击"
            "“取消”退出本向导。");
  lstData = new QListWidget(welcome);
  lstData->setObjectName("lstData");
  lstData->setSelectionMode(QAbstractItemView::MultiSelection);
  welcome->layout()->addWidget(lstData);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (const auto& [name, caption, selected] : {std::tuple{"cmdSelectAll", "全部选择", true},
                                                std::tuple{"cmdSelectNone", "清除选择", false}}) {
    auto* button = new QPushButton(QString::fromUtf8(caption), welcome);
    button->setObjectName(name);
    button->setAutoDefault(false);
    buttons->addWidget(button);
    Register(*button, false);
    connect(button, &QPushButton::clicked, this, [this, select = selected] { SelectAll(select); });
  }
  static_cast<QBoxLayout*>(welcome->layout())->addLayout(buttons);
  AddBackupRunStep("txtDbName");
  AddBackupFinishedStep();
}

void frmDDBackup::ReadTexts() {
  mTexts = ReadBaseDataBackupTexts();
  lstData->clear();
  for (int group = 1; group <= kBaseDataGroupCount; ++group) {
    lstData->addItem(QString::fromStdString(mTexts.catalogue.GroupEntry(group)));
    lstData->item(group - 1)->setSelected(true);
  }
}

void frmDDBackup::SelectAll(bool selected) {
  for (int i = 0; i < lstData->count(); ++i) lstData->item(i)->setSelected(selected);
}

bool frmDDBackup::DefinePackage() {
  std::vector<int> groups;
  for (int i = 0; i < lstData->count(); ++i) {
    if (lstData->item(i)->isSelected()) groups.push_back(i + 1);
  }
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
