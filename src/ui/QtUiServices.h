#pragma once

#include "ui/UiServices.h"

namespace tavex::ui {

// The desktop's own boxes and dialogs through Qt Widgets. Boxes belong to the
// active window, so they stay in front of the dialog that asks.
class QtUiServices : public UiServices {
 public:
  void MessageBox(const std::string& text, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title, Answer focus) override;
  std::optional<std::string> ChooseFile(const FileChoice& choice) override;
  void OpenInViewer(const std::string& path) override;
  void ProcessEvents() override;
};

// The filter a Qt file dialog takes for a "description|pattern" filter:
// "description (pattern)", or the description alone when it already ends
// with the pattern in brackets. Several pairs ("a|*.db|b|*.csv") become
// several filters.
std::string QtFileFilter(const std::string& filter);

}  // namespace tavex::ui
