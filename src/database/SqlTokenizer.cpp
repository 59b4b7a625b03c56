#include "database/SqlTokenizer.h"

#include <algorithm>
#include <cctype>

#include "database/AsciiText.h"
#include "database/Connection.h"

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

// Reads a statement token by token. Blanks and comments gather as the space
// before the next token; each Scan... reads one kind of token at the
// current position.
class Scanner {
 public:
  explicit Scanner(std::string_view sql) : mSql(sql) {}

  TokenList Run() {
    while (mPos < mSql.size()) {
      const char c = mSql[mPos];
      if (std::isspace(static_cast<unsigned char>(c))) {
        mSpace += c;
        ++mPos;
      } else if (c == '-' && Next() == '-') {
        ScanLineComment();
      } else if (c == '/' && Next() == '*') {
        ScanBlockComment();
      } else if (c == '\'') {
        ScanQuoted('\'', TokenKind::String, "string literal");
      } else if (c == '[') {
        ScanBracketed();
      } else if (c == '"') {
        ScanQuoted('"', TokenKind::Quoted, "quoted name");
      } else if (c == '#') {
        ScanDate();
      } else if (IsDigit(c) || (c == '.' && IsDigit(Next()))) {
        ScanNumber();
      } else if (IsWordChar(c)) {
        ScanWord();
      } else {
        ScanSymbol();
      }
    }
    mList.trailing = std::move(mSpace);
    return std::move(mList);
  }

 private:
  // The character after the current one; '\0' at the end.
  char Next() const { return mPos + 1 < mSql.size() ? mSql[mPos + 1] : '\0'; }

  [[noreturn]] void Unterminated(std::string_view what) const {
    throw DbError("Unterminated " + std::string(what) + " in statement: " + std::string(mSql));
  }

  // Adds the token that ends at `end` and moves there.
  void Push(TokenKind kind, std::string text, std::size_t end) {
    mList.tokens.push_back(Token{kind, std::move(text), std::move(mSpace)});
    mSpace.clear();
    mPos = end;
  }

  void ScanLineComment() {
    const std::size_t end = std::min(mSql.find('\n', mPos), mSql.size());
    mSpace.append(mSql.substr(mPos, end - mPos));
    mPos = end;
  }

  void ScanBlockComment() {
    const std::size_t end = mSql.find("*/", mPos + 2);
    if (end == std::string_view::npos) Unterminated("comment");
    mSpace.append(mSql.substr(mPos, end + 2 - mPos));
    mPos = end + 2;
  }

  // 'text' and "name": a doubled quote stands for one; kept as written.
  void ScanQuoted(char quote, TokenKind kind, std::string_view what) {
    std::size_t j = mPos + 1;
    while (true) {
      if (j >= mSql.size()) Unterminated(what);
      if (mSql[j] == quote) {
        if (j + 1 < mSql.size() && mSql[j + 1] == quote) {
          j += 2;
          continue;
        }
        break;
      }
      ++j;
    }
    Push(kind, std::string(mSql.substr(mPos, j + 1 - mPos)), j + 1);
  }

  void ScanBracketed() {
    const std::size_t end = mSql.find(']', mPos + 1);
    if (end == std::string_view::npos) Unterminated("[name]");
    Push(TokenKind::Bracketed, std::string(mSql.substr(mPos + 1, end - mPos - 1)), end + 1);
  }

  // A '#' that does not open a date literal is a symbol of its own.
  void ScanDate() {
    std::size_t end = mPos;
    std::string date = ReadDate(mSql, end);
    if (date.empty()) {
      Push(TokenKind::Symbol, "#", mPos + 1);
    } else {
      Push(TokenKind::Date, std::move(date), end);
    }
  }

  void ScanNumber() {
    const std::size_t n = mSql.size();
    std::size_t j = mPos;
    while (j < n && (IsDigit(mSql[j]) || mSql[j] == '.')) ++j;
    if (j < n && (mSql[j] == 'e' || mSql[j] == 'E')) {
      std::size_t k = j + 1;
      if (k < n && (mSql[k] == '+' || mSql[k] == '-')) ++k;
      if (k < n && IsDigit(mSql[k])) {
        j = k;
        while (j < n && IsDigit(mSql[j])) ++j;
      }
    }
    Push(TokenKind::Number, std::string(mSql.substr(mPos, j - mPos)), j);
  }

  void ScanWord() {
    std::size_t j = mPos;
    while (j < mSql.size() && IsWordChar(mSql[j])) ++j;
    Push(TokenKind::Word, std::string(mSql.substr(mPos, j - mPos)), j);
  }

  // Parameters, parentheses, commas, and operators of one or two characters.
  void ScanSymbol() {
    const char c = mSql[mPos];
    if (c == '?') return Push(TokenKind::Param, "?", mPos + 1);
    if (c == '(') return Push(TokenKind::LParen, "(", mPos + 1);
    if (c == ')') return Push(TokenKind::RParen, ")", mPos + 1);
    if (c == ',') return Push(TokenKind::Comma, ",", mPos + 1);
    static constexpr std::string_view kPairs[] = {"<>", "<=", ">=", "!=", "||", "::"};
    std::string_view op = mSql.substr(mPos, 1);
    for (std::string_view pair : kPairs) {
      if (mSql.substr(mPos, 2) == pair) op = pair;
    }
    Push(TokenKind::Symbol, std::string(op), mPos + op.size());
  }

  std::string_view mSql;
  std::size_t mPos = 0;
  std::string mSpace;
  TokenList mList;
};

}  // namespace

bool Token::Is(TokenKind k, std::string_view t) const { return kind == k && text == t; }

bool Token::IsKeyword(std::string_view keyword) const {
  return kind == TokenKind::Word && EqualsNoCase(text, keyword);
}

TokenList Tokenize(std::string_view sql) { return Scanner(sql).Run(); }

}  // namespace tavex::db
