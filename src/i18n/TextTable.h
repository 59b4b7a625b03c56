#pragma once

#include <span>
#include <string>

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

// One text of a run's text table: its language-file key, its built-in
// default, the member of the run's text struct it fills, and the key's
// property where it is not the default one.
template <typename Texts>
struct TextRow {
  const char* key;
  const char* defaultText;
  std::string Texts::*text;
  const char* property = "";
};

// Reads every text of `rows` from section `section` through gLanguage(),
// each with its built-in default, and leaves gLanguage() in the section it
// was in. A failing look-up leaves that text at its default; nothing is
// thrown.
template <typename Texts>
Texts ReadTextTable(const char* section, std::span<const TextRow<Texts>> rows) noexcept {
  Texts texts;
  for (const TextRow<Texts>& row : rows) {
    IgnoreFailure([&] { texts.*row.text = row.defaultText; });
  }
  IgnoreFailure([&] {
    cLanguage& language = gLanguage();
    const std::string previous = language.Section();
    language.SetSection(section);
    for (const TextRow<Texts>& row : rows) {
      IgnoreFailure(
          [&] { texts.*row.text = language.getValue(row.key, row.property, row.defaultText); });
    }
    language.SetSection(previous);
  });
  return texts;
}

}  // namespace tavex
