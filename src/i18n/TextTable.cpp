#include "i18n/TextTable.h"

#include <mutex>

namespace tavex {

std::vector<std::string> ReadTextList(const std::string& section,
                                      std::span<const TextKey> keys) noexcept {
  std::vector<std::string> texts;
  IgnoreFailure([&] {
    texts.reserve(keys.size());
    for (const TextKey& key : keys) texts.push_back(key.defaultText);
  });
  IgnoreFailure([&] {
    // The language file has one current section: a run's second thread (a
    // fetch made ahead that logs in again) must not switch it under another
    // reader.
    static std::mutex reading;
    const std::lock_guard lock(reading);
    cLanguage& language = gLanguage();
    const std::string previous = language.Section();
    language.SetSection(section);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      IgnoreFailure([&] {
        texts[i] = language.getValue(keys[i].key, keys[i].property, keys[i].defaultText);
      });
    }
    language.SetSection(previous);
  });
  return texts;
}

TextList::TextList(std::initializer_list<const char*> sections, std::vector<TextKey> keys,
                   std::source_location where)
    : mKeys(std::move(keys)) {
  for (const char* section : sections) {
    for (const TextKey& key : mKeys) {
      RegisterText({section, key.key, key.property, key.defaultText, where.file_name()});
    }
  }
}

std::vector<std::string> TextList::Read(const std::string& section) const noexcept {
  return ReadTextList(section, mKeys);
}

}  // namespace tavex
