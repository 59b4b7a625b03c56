#include "transfer/FtpListing.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "database/AsciiText.h"

namespace tavex {

namespace {

struct Token {
  std::string_view text;
  std::size_t end;  // offset just past the token in its line
};

std::vector<Token> Tokens(std::string_view line, std::size_t count) {
  std::vector<Token> tokens;
  std::size_t at = 0;
  while (tokens.size() < count) {
    at = line.find_first_not_of(' ', at);
    if (at == std::string_view::npos) break;
    std::size_t end = line.find(' ', at);
    if (end == std::string_view::npos) end = line.size();
    tokens.push_back({line.substr(at, end - at), end});
    at = end;
  }
  return tokens;
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool IsMonth(std::string_view text) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  if (text.size() != 3) return false;
  return std::find(kMonths.begin(), kMonths.end(), AsciiLower(text)) != kMonths.end();
}

bool IsClockOrYear(std::string_view text) {
  if (text.size() == 4) return AllDigits(text);
  std::size_t colon = text.find(':');
  return colon != std::string_view::npos && AllDigits(text.substr(0, colon)) &&
         AllDigits(text.substr(colon + 1));
}

// "-rw-r--r-- 1 owner group 1234 Mar 05 14:07 name": the owner and group
// fields vary between servers, so the date (size, month, day, time or
// year) is searched for rather than counted to.
bool ParseUnixLine(std::string_view line, FtpListingEntry& entry) {
  static constexpr std::string_view kTypes = "-dlbcps";
  if (line.size() < 10 || kTypes.find(line[0]) == std::string_view::npos) return false;
  std::vector<Token> tokens = Tokens(line, 9);
  for (std::size_t i = 2; i + 2 < tokens.size(); ++i) {
    if (!AllDigits(tokens[i - 1].text) || !IsMonth(tokens[i].text) ||
        !AllDigits(tokens[i + 1].text) || tokens[i + 1].text.size() > 2 ||
        !IsClockOrYear(tokens[i + 2].text)) {
      continue;
    }
    std::size_t nameAt = tokens[i + 2].end + 1;
    if (nameAt >= line.size()) return false;
    std::string_view name = line.substr(nameAt);
    switch (line[0]) {
      case '-':
        entry.kind = FtpEntryKind::kFile;
        break;
      case 'd':
        entry.kind = FtpEntryKind::kFolder;
        break;
      case 'l':
        entry.kind = FtpEntryKind::kLink;
        name = name.substr(0, name.find(" -> "));
        break;
      default:
        entry.kind = FtpEntryKind::kOther;
    }
    entry.name = std::string(name);
    return true;
  }
  return false;
}

bool IsDosDate(std::string_view text) {
  // mm-dd-yy or mm-dd-yyyy
  return (text.size() == 8 || text.size() == 10) && text[2] == '-' && text[5] == '-' &&
         AllDigits(text.substr(0, 2)) && AllDigits(text.substr(3, 2)) && AllDigits(text.substr(6));
}

// "03-05-24  02:07PM       <DIR>          name" or "... 1234 name".
bool ParseDosLine(std::string_view line, FtpListingEntry& entry) {
  std::vector<Token> tokens = Tokens(line, 3);
  if (tokens.size() < 3 || !IsDosDate(tokens[0].text) ||
      tokens[1].text.find(':') == std::string_view::npos) {
    return false;
  }
  if (tokens[2].text == "<DIR>") {
    entry.kind = FtpEntryKind::kFolder;
  } else if (AllDigits(tokens[2].text)) {
    entry.kind = FtpEntryKind::kFile;
  } else {
    return false;
  }
  std::size_t nameAt = line.find_first_not_of(' ', tokens[2].end);
  if (nameAt == std::string_view::npos) return false;
  entry.name = std::string(line.substr(nameAt));
  return true;
}

template <typename ParseLine>
std::vector<FtpListingEntry> ParseLines(const std::string& text, ParseLine parseLine) {
  std::vector<FtpListingEntry> entries;
  std::string_view rest = text;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    FtpListingEntry entry;
    if (parseLine(line, entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

bool ParseMlsdLine(std::string_view line, FtpListingEntry& entry) {
  std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank + 1 >= line.size()) return false;
  entry.name = std::string(line.substr(blank + 1));
  entry.kind = FtpEntryKind::kOther;
  std::string_view facts = line.substr(0, blank);
  while (!facts.empty()) {
    std::size_t end = facts.find(';');
    std::string fact = AsciiLower(facts.substr(0, end));
    facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
    if (fact.rfind("type=", 0) != 0) continue;
    std::string type = fact.substr(5);
    if (type == "file") {
      entry.kind = FtpEntryKind::kFile;
    } else if (type == "dir") {
      entry.kind = FtpEntryKind::kFolder;
    } else if (type.rfind("os.unix=slink", 0) == 0 || type.rfind("os.unix=symlink", 0) == 0) {
      entry.kind = FtpEntryKind::kLink;
    }
  }
  return true;
}

}  // namespace

std::vector<FtpListingEntry> ParseList(const std::string& text) {
  return ParseLines(text, [](std::string_view line, FtpListingEntry& entry) {
    return ParseUnixLine(line, entry) || ParseDosLine(line, entry);
  });
}

std::vector<FtpListingEntry> ParseMlsd(const std::string& text) {
  return ParseLines(text, ParseMlsdLine);
}

bool IsSafeRemoteName(const std::string& name) {
  if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
  if (name.size() > kMaxRemoteNameBytes) return false;
  return std::none_of(name.begin(), name.end(), [](unsigned char c) {
    return c == '/' || c == '\\' || c < 0x20 || c == 0x7F;
  });
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace tavex
