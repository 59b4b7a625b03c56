#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "i18n/Localize.h"

namespace tavex::ui {

// A widget as the localisation step sees it. Its established name is its
// objectName; an element of a control array is named "<array>_<index>"
// (lblNotice_2) and answers the array's name with its index. The caption is
// the widget's text: a label's or button's text, a group box's title, a
// window's title, a date editor's display format.
class WidgetControl : public LocalizableControl {
 public:
  // `isArrayElement`: the trailing "_<index>" of the objectName is an index.
  WidgetControl(QWidget& widget, bool isArrayElement);

  std::string Name() const override;
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  Kind ControlKind() const override;
  std::optional<int> Index() const override;

 private:
  QWidget& mWidget;
  bool mIsArrayElement;
};

// Runs the localisation step for `dialog` over its registered `controls`.
void LocalizeWidgets(QWidget& dialog, const std::vector<std::unique_ptr<WidgetControl>>& controls);

}  // namespace tavex::ui
