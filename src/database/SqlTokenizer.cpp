#include "database/SqlTokenizer.h"

#include <cctype>

#include "database/Connection.h"
#include "storage/AsciiText.h"

namespace tavex::db {
namespace {

bool IsWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '$' || u >= 0x80;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads up to `maxDigits` digits at `pos`; -1 when there is none.
int ReadNumber(std::string_view s, std::size_t& pos, std::size_t maxDigits) {
  int value = 0;
  std::size_t count = 0;
  while (pos < s.size() && IsDigit(s[pos]) && count < maxDigits) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
    ++count;
  }
  return count == 0 ? -1 : value;
}

std::string TwoDigits(int v) {
  return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

// Parses "#yyyy-mm-dd[ hh:mm[:ss]]#" starting at the opening '#'. On success
// returns the normalised "yyyy-mm-dd hh:mm:ss" and moves `pos` past the
// closing '#'; otherwise returns an empty string.
std::string ReadDate(std::string_view s, std::size_t& pos) {
  std::size_t p = pos + 1;
  const std::size_t yearStart = p;
  const int year = ReadNumber(s, p, 4);
  if (year < 0 || p - yearStart != 4 || p >= s.size() || s[p] != '-') return {};
  ++p;
  const int month = ReadNumber(s, p, 2);
  if (month < 1 || month > 12 || p >= s.size() || s[p] != '-') return {};
  ++p;
  const int day = ReadNumber(s, p, 2);
  if (day < 1 || day > 31) return {};
  int hour = 0, minute = 0, second = 0;
  if (p < s.size() && s[p] == ' ') {
    ++p;
    hour = ReadNumber(s, p, 2);
    if (hour < 0 || hour > 23 || p >= s.size() || s[p] != ':') return {};
    ++p;
    minute = ReadNumber(s, p, 2);
    if (minute < 0 || minute > 59) return {};
    if (p < s.size() && s[p] == ':') {
      ++p;
      second = ReadNumber(s, p, 2);
      if (second < 0 || second > 59) return {};
    }
  }
  if (p >= s.size() || s[p] != '#') return {};
  pos = p + 1;
  return std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day) + " " +
         TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
}

[[noreturn]] void Unterminated(std::string_view what, std::string_view sql) {
  throw DbError("Unterminated " + std::string(what) + " in statement: " + std::string(sql));
}

}  // namespace

bool Token::Is(TokenKind k, std::string_view t) const { return kind == k && text == t; }

bool Token::IsKeyword(std::string_view keyword) const {
  return kind == TokenKind::Word && EqualsNoCase(text, keyword);
}

TokenList Tokenize(std::string_view sql) {
  TokenList list;
  std::string space;
  std::size_t i = 0;
  const std::size_t n = sql.size();
  auto push = [&](TokenKind kind, std::string text) {
    list.tokens.push_back(Token{kind, std::move(text), std::move(space)});
    space.clear();
  };
  while (i < n) {
    const char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      space += c;
      ++i;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      const std::size_t end = sql.find('\n', i);
      const std::size_t stop = end == std::string_view::npos ? n : end;
      space.append(sql.substr(i, stop - i));
      i = stop;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      const std::size_t end = sql.find("*/", i + 2);
      if (end == std::string_view::npos) Unterminated("comment", sql);
      space.append(sql.substr(i, end + 2 - i));
      i = end + 2;
    } else if (c == '\'') {
      std::size_t j = i + 1;
      while (true) {
        if (j >= n) Unterminated("string literal", sql);
        if (sql[j] == '\'') {
          if (j + 1 < n && sql[j + 1] == '\'') {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      push(TokenKind::String, std::string(sql.substr(i, j + 1 - i)));
      i = j + 1;
    } else if (c == '[') {
      const std::size_t end = sql.find(']', i + 1);
      if (end == std::string_view::npos) Unterminated("[name]", sql);
      push(TokenKind::Bracketed, std::string(sql.substr(i + 1, end - i - 1)));
      i = end + 1;
    } else if (c == '"') {
      std::size_t j = i + 1;
      while (true) {
        if (j >= n) Unterminated("quoted name", sql);
        if (sql[j] == '"') {
          if (j + 1 < n && sql[j + 1] == '"') {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      push(TokenKind::Quoted, std::string(sql.substr(i, j + 1 - i)));
      i = j + 1;
    } else if (c == '#') {
      std::size_t j = i;
      std::string date = ReadDate(sql, j);
      if (date.empty()) {
        push(TokenKind::Symbol, "#");
        ++i;
      } else {
        push(TokenKind::Date, std::move(date));
        i = j;
      }
    } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(sql[i + 1]))) {
      std::size_t j = i;
      while (j < n && (IsDigit(sql[j]) || sql[j] == '.')) ++j;
      if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
        if (k < n && IsDigit(sql[k])) {
          j = k;
          while (j < n && IsDigit(sql[j])) ++j;
        }
      }
      push(TokenKind::Number, std::string(sql.substr(i, j - i)));
      i = j;
    } else if (IsWordChar(c)) {
      std::size_t j = i;
      while (j < n && IsWordChar(sql[j])) ++j;
      push(TokenKind::Word, std::string(sql.substr(i, j - i)));
      i = j;
    } else if (c == '?') {
      push(TokenKind::Param, "?");
      ++i;
    } else if (c == '(') {
      push(TokenKind::LParen, "(");
      ++i;
    } else if (c == ')') {
      push(TokenKind::RParen, ")");
      ++i;
    } else if (c == ',') {
      push(TokenKind::Comma, ",");
      ++i;
    } else {
      static constexpr std::string_view kPairs[] = {"<>", "<=", ">=", "!=", "||", "::"};
      std::string_view op = sql.substr(i, 1);
      for (std::string_view pair : kPairs) {
        if (sql.substr(i, 2) == pair) op = pair;
      }
      push(TokenKind::Symbol, std::string(op));
      i += op.size();
    }
  }
  list.trailing = std::move(space);
  return list;
}

}  // namespace tavex::db
