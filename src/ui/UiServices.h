#pragma once

#include <optional>
#include <string>

namespace tavex::ui {

// What the file chooser is asked for. The filter is written as
// "description|pattern", for example "数据库文件(*.pkg)|*.pkg"; more pairs
// may follow ("...|*.db|CSV|*.csv"). A chooser for a file to be written
// (forSaving) accepts a name that does not exist yet.
struct FileChoice {
  std::string initialFolder;
  std::string fileName;
  std::string filter;
  bool forSaving = false;
};

// The answers of a yes/no question.
enum class Answer { Yes, No };

// Everything a dialog asks of the desktop besides drawing itself: message
// boxes, yes/no questions, the file chooser, opening a file in the desktop's
// viewer and letting pending user-interface events run. Dialogs are given one
// of these; the Qt implementation is the default, tests install one that
// records every text and answers from a script.
class UiServices {
 public:
  virtual ~UiServices() = default;

  // A box with the information icon and one OK button.
  virtual void MessageBox(const std::string& text, const std::string& title) = 0;
  // A question box with Yes and No, `focus` the button that Enter presses;
  // true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& title, Answer focus) = 0;
  // The chosen file, or nullopt when the user cancels.
  virtual std::optional<std::string> ChooseFile(const FileChoice& choice) = 0;
  // Opens `path` in the desktop's viewer for its kind (a text file: the
  // text viewer) without waiting for it.
  virtual void OpenInViewer(const std::string& path) = 0;
  // Runs the user-interface events that are waiting, so a dialog repaints
  // and a click on its cancel button is seen during a long operation.
  virtual void ProcessEvents() = 0;
};

}  // namespace tavex::ui
