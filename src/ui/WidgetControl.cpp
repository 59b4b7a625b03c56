#include "ui/WidgetControl.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>

namespace tavex::ui {

namespace {

std::string ObjectName(const QWidget& widget) { return widget.objectName().toStdString(); }

}  // namespace

WidgetControl::WidgetControl(QWidget& widget, bool isArrayElement)
    : mWidget(widget), mIsArrayElement(isArrayElement) {}

std::string WidgetControl::Name() const {
  const std::string name = ObjectName(mWidget);
  if (!mIsArrayElement) return name;
  return name.substr(0, name.rfind('_'));
}

std::optional<int> WidgetControl::Index() const {
  if (!mIsArrayElement) return std::nullopt;
  const std::string name = ObjectName(mWidget);
  return std::stoi(name.substr(name.rfind('_') + 1));
}

LocalizableControl::Kind WidgetControl::ControlKind() const {
  return qobject_cast<QDateEdit*>(&mWidget) != nullptr ? Kind::DatePicker : Kind::Captioned;
}

std::string WidgetControl::Caption() const {
  if (auto* label = qobject_cast<QLabel*>(&mWidget)) return label->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(&mWidget)) return button->text().toStdString();
  if (auto* group = qobject_cast<QGroupBox*>(&mWidget)) return group->title().toStdString();
  if (auto* date = qobject_cast<QDateEdit*>(&mWidget)) return date->displayFormat().toStdString();
  return mWidget.windowTitle().toStdString();
}

void WidgetControl::SetCaption(const std::string& caption) {
  const QString text = QString::fromStdString(caption);
  if (auto* label = qobject_cast<QLabel*>(&mWidget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(&mWidget)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(&mWidget)) {
    group->setTitle(text);
  } else if (auto* date = qobject_cast<QDateEdit*>(&mWidget)) {
    date->setDisplayFormat(text);
  } else {
    mWidget.setWindowTitle(text);
  }
}

void LocalizeWidgets(QWidget& dialog, const std::vector<std::unique_ptr<WidgetControl>>& controls) {
  WidgetControl dialogControl(dialog, false);
  std::vector<LocalizableControl*> all;
  for (const auto& control : controls) all.push_back(control.get());
  LocalizeDialog(dialogControl, all);
}

}  // namespace tavex::ui
