#include "transfer/IniSection.h"

#include <ini.h>

#include <cctype>
#include <climits>
#include <filesystem>

#include "framework/PluginFolder.h"
#include "storage/AsciiText.h"

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

long LeadingDigits(const std::string& text) {
  std::size_t at = text.find_first_not_of(" \t");
  long number = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
    const int digit = text[at] - '0';
    if (number > (LONG_MAX - digit) / 10) return LONG_MAX;
    number = number * 10 + digit;
  }
  return number;
}

std::string TransferOptionsFile() { return JoinPath(PluginFolder(), "Octopus/MAIN.INI"); }

}  // namespace tavex
