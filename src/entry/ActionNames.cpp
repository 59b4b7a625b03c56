#include "entry/ActionNames.h"

#include <algorithm>
#include <cctype>

namespace tavex {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

std::string ActionKeyText(const ActionKey& key) {
  if (const auto* number = std::get_if<std::int64_t>(&key)) return std::to_string(*number);
  return std::get<std::string>(key);
}

std::optional<std::size_t> FindAction(const ActionKey& key) {
  const std::string wanted = Lower(ActionKeyText(key));
  for (std::size_t i = 0; i < kActionNames.size(); ++i) {
    if (Lower(kActionNames[i]) == wanted) return i;
  }
  return std::nullopt;
}

}  // namespace tavex
