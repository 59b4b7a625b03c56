#pragma once

#include <span>
#include <string>
#include <vector>

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

// One text a run reads: its language-file key, its property ("" for
// "Default") and the built-in text used when the file lacks it.
struct TextKey {
  std::string key;
  std::string property;
  std::string defaultText;
};

// Reads `keys` from section `section` through gLanguage(), in order, each
// with its built-in default, and leaves gLanguage() in the section it was
// in. A failing look-up leaves that text at its default; nothing is thrown.
std::vector<std::string> ReadTextList(const std::string& section,
                                      std::span<const TextKey> keys) noexcept;

// One text of a run's text table: its language-file key, its built-in
// default, the member of the run's text struct it fills, and its property
// ("" for "Default").
template <typename Texts>
struct TextRow {
  const char* key;
  const char* defaultText;
  std::string Texts::*text;
  const char* property = "";
};

// Reads every text of `rows` from section `section` into a text struct, as
// ReadTextList does.
template <typename Texts>
Texts ReadTextTable(const char* section, std::span<const TextRow<Texts>> rows) noexcept {
  Texts texts;
  for (const TextRow<Texts>& row : rows) {
    IgnoreFailure([&] { texts.*row.text = row.defaultText; });
  }
  IgnoreFailure([&] {
    std::vector<TextKey> keys;
    for (const TextRow<Texts>& row : rows) keys.push_back({row.key, row.property, row.defaultText});
    const std::vector<std::string> read = ReadTextList(section, keys);
    for (std::size_t i = 0; i < rows.size() && i < read.size(); ++i) {
      texts.*rows[i].text = read[i];
    }
  });
  return texts;
}

}  // namespace tavex
