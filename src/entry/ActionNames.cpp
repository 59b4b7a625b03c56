#include "entry/ActionNames.h"

#include "database/AsciiText.h"

namespace tavex {

std::string ActionKeyText(const ActionKey& key) {
  if (const auto* number = std::get_if<std::int64_t>(&key)) return std::to_string(*number);
  return std::get<std::string>(key);
}

std::optional<std::size_t> FindAction(const ActionKey& key) {
  const std::string wanted = ActionKeyText(key);
  for (std::size_t i = 0; i < kActionNames.size(); ++i) {
    if (EqualsNoCase(kActionNames[i], wanted)) return i;
  }
  return std::nullopt;
}

}  // namespace tavex
