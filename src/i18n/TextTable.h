#pragma once

#include <initializer_list>
#include <source_location>
#include <span>
#include <string>
#include <vector>

#include "i18n/Messages.h"
#include "i18n/TextRegistry.h"
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
// The reader behind TextTable and TextList; code reads through those, so
// that every text is registered.
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

// A run's text table, defined once at namespace scope: it registers every
// row under each section it is read in (the first is the one Read() reads),
// and reads them into a text struct. `rows` must outlive the table.
template <typename Texts>
class TextTable {
 public:
  TextTable(std::initializer_list<const char*> sections, std::span<const TextRow<Texts>> rows,
            std::source_location where = std::source_location::current())
      : mSection(*sections.begin()), mRows(rows) {
    for (const char* section : sections) {
      for (const TextRow<Texts>& row : rows) {
        RegisterText({section, row.key, row.property, row.defaultText, where.file_name()});
      }
    }
  }

  // Every text of the table from `section` (one it was registered under),
  // as ReadTextList reads them.
  Texts Read(const char* section) const noexcept {
    Texts texts;
    for (const TextRow<Texts>& row : mRows) {
      IgnoreFailure([&] { texts.*row.text = row.defaultText; });
    }
    IgnoreFailure([&] {
      std::vector<TextKey> keys;
      for (const TextRow<Texts>& row : mRows)
        keys.push_back({row.key, row.property, row.defaultText});
      const std::vector<std::string> read = ReadTextList(section, keys);
      for (std::size_t i = 0; i < mRows.size() && i < read.size(); ++i) {
        texts.*mRows[i].text = read[i];
      }
    });
    return texts;
  }
  Texts Read() const noexcept { return Read(mSection); }

 private:
  const char* mSection;
  std::span<const TextRow<Texts>> mRows;
};

// A list of texts read into a vector, defined once at namespace scope: it
// registers every key under each section it is read in.
class TextList {
 public:
  TextList(std::initializer_list<const char*> sections, std::vector<TextKey> keys,
           std::source_location where = std::source_location::current());

  // The texts of `section` (one the list was registered under), in order.
  std::vector<std::string> Read(const std::string& section) const noexcept;

 private:
  std::vector<TextKey> mKeys;
};

}  // namespace tavex
