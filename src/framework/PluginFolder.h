#pragma once

#include <string>

namespace tavex {

// The plug-in's module name: it names the language file and the top-level
// element of its sections.
inline constexpr const char* kModuleName = "tavExDataApp";

// The plug-in's own folder, without a trailing '/': $TAVEX_HOME when it is
// set and not empty, else the folder of the module file that holds this code
// (the plug-in library, or the executable when the core is linked into one).
// Language files, the log, the exchange folders and the FTP options file all
// live below it.
std::string PluginFolder();

// Joins a folder and a relative name with exactly one '/' between them.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace tavex
