#include "ui/HelpFile.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "framework/PluginFolder.h"

namespace tavex::ui {

namespace {

std::string& HelpFileSlot() {
  static std::string helpFile;
  return helpFile;
}

std::string HelpFilePath() { return JoinPath(PluginFolder(), "help.chm"); }

bool HelpFileExists() {
  std::error_code error;
  return std::filesystem::is_regular_file(HelpFilePath(), error);
}

}  // namespace

void SetupHelpFile() { HelpFileSlot() = HelpFileExists() ? HelpFilePath() : std::string(); }

const std::string& HelpFile() { return HelpFileSlot(); }

int HelpContext(const std::string& topic) {
  if (!HelpFileExists()) return 0;
  int context = 0;
  for (const char c : topic) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0 || context > 99'999'999) break;
    context = context * 10 + (c - '0');
  }
  return context;
}

}  // namespace tavex::ui
