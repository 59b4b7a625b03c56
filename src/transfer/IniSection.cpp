#include "transfer/IniSection.h"

#include <ini.h>

#include <algorithm>
#include <filesystem>

#include "database/AsciiText.h"
#include "framework/PluginFolder.h"

namespace tavex {

namespace {

struct SectionReader {
  std::string section;  // lower-case
  IniValues values;
};

int OnValue(void* user, const char* section, const char* name, const char* value) {
  auto* reader = static_cast<SectionReader*>(user);
  if (AsciiLower(section) == reader->section) reader->values.emplace(AsciiLower(name), value);
  return 1;
}

}  // namespace

std::optional<IniValues> ReadIniSection(const std::string& path, const std::string& section) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) return IniValues{};
  SectionReader reader{AsciiLower(section), {}};
  // A positive result names the first malformed line; the lines around it
  // still count, as with any tolerant INI reader.
  if (ini_parse(path.c_str(), OnValue, &reader) < 0) return std::nullopt;
  return reader.values;
}

std::string IniValue(const IniValues& values, const std::string& key, const std::string& fallback) {
  auto it = values.find(key);
  return it == values.end() ? fallback : it->second;
}

std::string TransferOptionsFile() { return JoinPath(PluginFolder(), "Octopus/MAIN.INI"); }

long long NonNegativeNumber(const std::string& text) { return std::max(0LL, LeadingNumber(text)); }

}  // namespace tavex
