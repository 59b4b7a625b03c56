#pragma once

#include <optional>
#include <span>
#include <string>

namespace tavex {

// What the localisation step needs of a dialog's control, whatever toolkit
// draws it: its established name (which is also its language-file key), its
// caption and a way to change it. The dialogs wrap their widgets in this.
class LocalizableControl {
 public:
  enum class Kind {
    Captioned,   // label, button, frame, check box, option button, the dialog itself
    DatePicker,  // its caption is its custom display format
  };

  virtual ~LocalizableControl() = default;

  virtual std::string Name() const = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual Kind ControlKind() const { return Kind::Captioned; }
  // The index of an element of a control array (lblNotice(0), lblNotice(1),
  // ...): its key is Name() + "_" + index. No index for a single control.
  virtual std::optional<int> Index() const { return std::nullopt; }
};

// Sets the caption of `control` to the text of key Name() + suffix,
// property "Caption", in the current section of gLanguage(), with the
// current caption as the default.
void LocalizeCaption(LocalizableControl& control, const std::string& suffix);

// The localisation step a dialog runs once when it loads. gLanguage() is
// switched to the section named after the dialog (module tavExDataApp) and
// stays there, so the dialog can read its own texts next. Then:
//  - the dialog's caption: key = the dialog's name, property "Caption";
//  - each control by LocalizeCaption, an array element with the suffix
//    "_" + its index (lblNotice_0, lblNotice_1, ...);
//  - except cmdPrev, cmdNext and cmdClose, which take the shared texts
//    Msg_Step_Prev, Msg_Step_Next and Msg_Step_Cancel, and date pickers,
//    which take Msg_dtpCustomFormat as their display format.
// Run it after LoadMessages: those shared texts are empty before.
void LocalizeDialog(LocalizableControl& dialog, std::span<LocalizableControl* const> controls);

}  // namespace tavex
