#pragma once

#include <QFrame>
#include <QLabel>
#include <string>

namespace tavex::ui {

// The band across the top of a dialog: a title and, below it, a prompt that
// says what the dialog is for. Both are texts of its own ("Title" and
// "Prompt" under the bar's key in the language file).
class CaptionBar : public QFrame {
 public:
  explicit CaptionBar(QWidget* parent = nullptr);

  std::string Title() const;
  void SetTitle(const std::string& title);
  std::string Prompt() const;
  void SetPrompt(const std::string& prompt);

 private:
  QLabel* mTitle;
  QLabel* mPrompt;
};

}  // namespace tavex::ui
