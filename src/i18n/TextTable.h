#pragma once

#include <span>
#include <string>
#include <vector>

namespace tavex {

// One text a run reads from the language file: its key, its property
// ("" for "Default") and the built-in text used when the file lacks it.
struct TextKey {
  std::string key;
  std::string property;
  std::string defaultText;
};

// Reads `keys` in `section` of gLanguage(), in order, each falling back to
// its built-in text when it cannot be read; gLanguage() is left in the
// section it was in. Never fails.
std::vector<std::string> ReadTextTable(const std::string& section,
                                       std::span<const TextKey> keys) noexcept;

}  // namespace tavex
