#pragma once

#include <map>
#include <optional>
#include <string>

namespace tavex {

// The keys and values of one section of an INI file, keys lower-cased
// (section and key names match without regard to ASCII case; the first
// line of a key counts). A missing file reads as an empty section, as does
// a missing section; nullopt means the file exists but cannot be read.
using IniValues = std::map<std::string, std::string>;
std::optional<IniValues> ReadIniSection(const std::string& path, const std::string& section);

// The value of `key` (lower-case) in `values`, or `fallback` when absent.
std::string IniValue(const IniValues& values, const std::string& key,
                     const std::string& fallback = "");

// The number at the start of `text` after leading blanks, as a reader of
// hand-written settings expects ("21abc" is 21, "abc" and "" are 0); values
// beyond the range of long are capped.
long LeadingDigits(const std::string& text);

// The settings file of the transfer options: "<plug-in folder>/Octopus/MAIN.INI".
std::string TransferOptionsFile();

}  // namespace tavex
