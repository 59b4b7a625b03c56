#pragma once

#include <QLabel>
#include <QPushButton>
#include <string>
#include <vector>

#include "ui/ProgressListWidget.h"
#include "ui/WizardFrame.h"

namespace tavex::test {

using Lines = std::vector<std::string>;

// The controls of a wizard found by their names, and the steps driven as
// the buttons drive them.
template <typename T = QWidget>
T* Control(const QWidget& wizard, const char* name) {
  return wizard.findChild<T*>(name);
}
inline Lines ProgressLines(const QWidget& wizard) {
  return Control<ui::ProgressListWidget>(wizard, "lstProgress")->Lines();
}
inline std::string Info(const QWidget& wizard) {
  return Control<QLabel>(wizard, "lblInfo")->text().toStdString();
}
inline std::string NextCaption(const QWidget& wizard) {
  return Control<QPushButton>(wizard, "cmdNext")->text().toStdString();
}
inline bool Enabled(const QWidget& wizard, const char* name) {
  return Control(wizard, name)->isEnabled();
}
// Next on the current step; the step shown afterwards.
inline int Next(ui::WizardFrame& wizard) {
  wizard.cmdNext_Click();
  return wizard.CurrentStep();
}
// True when the wizard waits for the user on a step after a run: every
// navigation button answers and cmdCancel does not.
inline bool Idle(const QWidget& wizard) {
  return Enabled(wizard, "cmdPrev") && Enabled(wizard, "cmdNext") && Enabled(wizard, "cmdClose") &&
         !Enabled(wizard, "cmdCancel");
}

}  // namespace tavex::test
