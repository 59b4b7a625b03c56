#pragma once

#include <string>

#include "support/PluginHome.h"

namespace tavex::test {

// A plug-in folder in a temporary folder (TAVEX_HOME) with per-user settings
// beside it (XDG_CONFIG_HOME), where language files can be put.
class LanguageHome {
 public:
  // Writes "<home>/Languages/tavExDataApp<extension>".
  void PutLanguageFile(const std::string& extension, const std::string& contents) const {
    WriteFile(mHome / ("Languages/tavExDataApp" + extension), contents);
  }
  // A well-formed file with the given elements inside
  // <Language><tavExDataApp>...</tavExDataApp></Language>.
  void PutSections(const std::string& extension, const std::string& sections) const {
    PutLanguageFile(extension,
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Language><tavExDataApp>" +
                        sections + "</tavExDataApp></Language>\n");
  }
  const PluginHome& Home() const { return mHome; }

 private:
  PluginHome mHome;
};

}  // namespace tavex::test
