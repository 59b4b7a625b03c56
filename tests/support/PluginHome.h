#pragma once

#include <string>

#include "support/TempDir.h"

namespace tavex::test {

// A plug-in folder for one test: while the object lives TAVEX_HOME points at
// a fresh folder, XDG_CONFIG_HOME (the per-user settings) at its "config"
// folder, and the transfer options file can be written into it.
class PluginHome {
 public:
  PluginHome() : mHome("TAVEX_HOME", mDir.Path()), mConfig("XDG_CONFIG_HOME", mDir / "config") {}

  const std::string& Path() const { return mDir.Path(); }
  std::string operator/(const std::string& name) const { return mDir / name; }
  std::string OptionsFile() const { return mDir / "Octopus/MAIN.INI"; }
  void WriteOptions(const std::string& text) const { WriteFile(OptionsFile(), text); }

 private:
  TempDir mDir;
  ScopedEnv mHome;
  ScopedEnv mConfig;
};

}  // namespace tavex::test
