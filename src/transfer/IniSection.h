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

// A port, a count or seconds from an INI value: its leading number
// (LeadingNumber: "21abc" is 21), 0 when negative or missing.
long long NonNegativeNumber(const std::string& text);

// The settings file of the transfer options: "<plug-in folder>/Octopus/MAIN.INI".
std::string TransferOptionsFile();

}  // namespace tavex
