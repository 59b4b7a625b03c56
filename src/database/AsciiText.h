#pragma once

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

namespace tavex {

// Case rules for names, keys, settings and file endings: only the ASCII
// letters are folded, whatever the process locale, so other UTF-8 text is
// compared byte for byte.

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// `text` without the ASCII blanks (space, tab, line breaks, vertical tab,
// form feed) at either end.
constexpr std::string_view TrimAsciiBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The whole number `text` starts with after blanks (space, tab), with an
// optional sign, as far as its digits go ("12x" is 12, "-3" is -3, "1.9" is
// 1); 0 when there is none; held at the limits of long long when larger.
constexpr long long LeadingNumber(std::string_view text) {
  std::size_t at = text.find_first_not_of(" \t");
  if (at == std::string_view::npos) return 0;
  const bool negative = text[at] == '-';
  if (text[at] == '-' || text[at] == '+') ++at;
  long long number = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const int digit = text[at] - '0';
    if (number > (std::numeric_limits<long long>::max() - digit) / 10) {
      return negative ? std::numeric_limits<long long>::min()
                      : std::numeric_limits<long long>::max();
    }
    number = number * 10 + digit;
  }
  return negative ? -number : number;
}

inline bool EndsWithNoCase(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() &&
         EqualsNoCase(text.substr(text.size() - ending.size()), ending);
}

}  // namespace tavex
