#pragma once

#include <string>

namespace tavex::ui {

// The help file beside the plug-in ("help.chm" in the plug-in's folder), and
// the help contexts dialogs set on themselves.

// Makes "<plug-in folder>/help.chm" the process-wide help file when it
// exists, else sets the help file to "".
void SetupHelpFile();

// The process-wide help file; "" until SetupHelpFile finds one.
const std::string& HelpFile();

// The help context for `topic` ("050201_SynSetting" gives 50201): the value
// of its leading digits when help.chm exists in the plug-in's folder now,
// otherwise 0.
int HelpContext(const std::string& topic);

}  // namespace tavex::ui
