#include "ui/ProgressListWidget.h"

namespace tavex::ui {

ProgressListWidget::ProgressListWidget(QWidget* parent) : QListWidget(parent) {
  setWordWrap(true);
  setUniformItemSizes(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void ProgressListWidget::AddItem(const std::string& text) { addItem(QString::fromStdString(text)); }

void ProgressListWidget::SetItem(int index, const std::string& text) {
  if (QListWidgetItem* line = item(index)) line->setText(QString::fromStdString(text));
}

void ProgressListWidget::SetListIndex(int index) {
  setCurrentRow(index);
  if (QListWidgetItem* line = item(index)) scrollToItem(line);
}

std::vector<std::string> ProgressListWidget::Lines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < count(); ++i) lines.push_back(item(i)->text().toStdString());
  return lines;
}

}  // namespace tavex::ui
