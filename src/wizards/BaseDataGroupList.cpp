#include "wizards/BaseDataGroupList.h"

#include <QBoxLayout>
#include <QPushButton>
#include <tuple>

namespace tavex {

BaseDataGroupList::BaseDataGroupList(QWidget* step, const std::function<void(QWidget&)>& localise) {
  lstData = new QListWidget(step);
  lstData->setObjectName("lstData");
  lstData->setSelectionMode(QAbstractItemView::MultiSelection);
  auto* layout = static_cast<QBoxLayout*>(step->layout());
  layout->addWidget(lstData);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (const auto& [name, caption, selected] : {std::tuple{"cmdSelectAll", "全部选择", true},
                                                std::tuple{"cmdSelectNone", "清除选择", false}}) {
    auto* button = new QPushButton(QString::fromUtf8(caption), step);
    button->setObjectName(name);
    button->setAutoDefault(false);
    buttons->addWidget(button);
    localise(*button);
    QObject::connect(button, &QPushButton::clicked, lstData,
                     [this, select = selected] { SelectAll(select); });
  }
  layout->addLayout(buttons);
}

void BaseDataGroupList::Fill(const BaseDataTexts& catalogue) {
  lstData->clear();
  for (int group = 1; group <= kBaseDataGroupCount; ++group) {
    lstData->addItem(QString::fromStdString(catalogue.GroupEntry(group)));
    lstData->item(group - 1)->setSelected(true);
  }
}

void BaseDataGroupList::SelectAll(bool selected) {
  for (int i = 0; i < lstData->count(); ++i) lstData->item(i)->setSelected(selected);
}

std::vector<int> BaseDataGroupList::SelectedGroups() const {
  std::vector<int> groups;
  for (int i = 0; i < lstData->count(); ++i) {
    if (lstData->item(i)->isSelected()) groups.push_back(i + 1);
  }
  return groups;
}

}  // namespace tavex
