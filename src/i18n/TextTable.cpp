#include "i18n/TextTable.h"

namespace tavex {

std::vector<std::string> ReadTextList(const std::string& section,
                                      std::span<const TextKey> keys) noexcept {
  std::vector<std::string> texts;
  IgnoreFailure([&] {
    texts.reserve(keys.size());
    for (const TextKey& key : keys) texts.push_back(key.defaultText);
  });
  IgnoreFailure([&] {
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

}  // namespace tavex
