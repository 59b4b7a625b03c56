#include "i18n/Localize.h"

#include "framework/PluginFolder.h"
#include "i18n/Messages.h"

namespace tavex {

namespace {

// The shared text a navigation button shows instead of its own key.
const std::string* NavigationText(const std::string& name) {
  const MessageTexts& texts = Messages();
  if (name == "cmdPrev") return &texts.Msg_Step_Prev;
  if (name == "cmdNext") return &texts.Msg_Step_Next;
  if (name == "cmdClose") return &texts.Msg_Step_Cancel;
  return nullptr;
}

}  // namespace

void LocalizeCaption(LocalizableControl& control, const std::string& suffix) {
  control.SetCaption(gLanguage().getValue(control.Name() + suffix, "Caption", control.Caption()));
}

void LocalizeDialog(LocalizableControl& dialog, std::span<LocalizableControl* const> controls) {
  cLanguage& language = gLanguage();
  language.SetAppExeName(kModuleName);
  language.SetSection(dialog.Name());
  LocalizeCaption(dialog, "");
  for (LocalizableControl* control : controls) {
    if (control->ControlKind() == LocalizableControl::Kind::DatePicker) {
      control->SetCaption(Messages().Msg_dtpCustomFormat);
    } else if (const std::string* shared = NavigationText(control->Name())) {
      control->SetCaption(*shared);
    } else if (std::optional<int> index = control->Index()) {
      LocalizeCaption(*control, "_" + std::to_string(*index));
    } else {
      LocalizeCaption(*control, "");
    }
  }
}

}  // namespace tavex
