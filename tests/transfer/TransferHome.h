#pragma once

#include <string>

#include "support/TempDir.h"

namespace tavex::test {

// A plug-in folder for one test: TAVEX_HOME points at a fresh folder while
// the object lives, and the transfer options file can be written into it.
class TransferHome {
 public:
  TransferHome() : mHome("TAVEX_HOME", mDir.Path()) {}

  const std::string& Path() const { return mDir.Path(); }
  std::string operator/(const std::string& name) const { return mDir / name; }
  std::string OptionsFile() const { return mDir / "Octopus/MAIN.INI"; }
  void WriteOptions(const std::string& text) const { WriteFile(OptionsFile(), text); }

 private:
  TempDir mDir;
  ScopedEnv mHome;
};

}  // namespace tavex::test
