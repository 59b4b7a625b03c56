#include "database/StatementRewriter.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "database/AsciiText.h"
#include "database/SqlTokenizer.h"

namespace tavex::db {
namespace {

using Tokens = std::vector<Token>;

Token MakeToken(TokenKind kind, std::string text, std::string space = " ") {
  return Token{kind, std::move(text), std::move(space)};
}

bool IsName(const Token& t) {
  return t.kind == TokenKind::Word || t.kind == TokenKind::Bracketed || t.kind == TokenKind::Quoted;
}

bool IsComparison(const Token& t) {
  static constexpr std::array<std::string_view, 7> kOps = {"=", "<", ">", "<>", "<=", ">=", "!="};
  return t.kind == TokenKind::Symbol && std::find(kOps.begin(), kOps.end(), t.text) != kOps.end();
}

// Keywords that end an expression operand ("+" chains never run across them).
bool IsClauseKeyword(const Token& t) {
  static constexpr std::array<std::string_view, 36> kWords = {
      "SELECT", "FROM",   "WHERE", "AND",   "OR",       "NOT",     "AS",    "ON",    "SET",
      "INTO",   "VALUES", "GROUP", "ORDER", "BY",       "HAVING",  "WHEN",  "THEN",  "ELSE",
      "END",    "CASE",   "IN",    "LIKE",  "IS",       "BETWEEN", "JOIN",  "INNER", "LEFT",
      "RIGHT",  "OUTER",  "UNION", "ALL",   "DISTINCT", "TOP",     "LIMIT", "ASC",   "DESC"};
  if (t.kind != TokenKind::Word) return false;
  return std::any_of(kWords.begin(), kWords.end(),
                     [&](std::string_view w) { return EqualsNoCase(t.text, w); });
}

// Index of the ")" matching the "(" at `open`.
std::size_t MatchParen(const Tokens& t, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < t.size(); ++i) {
    if (t[i].kind == TokenKind::LParen) ++depth;
    if (t[i].kind == TokenKind::RParen && --depth == 0) return i;
  }
  return t.size();
}

// The end of the expression level that starts at `from`: the ")" closing it,
// a ";" at its depth, or the end.
std::size_t LevelEnd(const Tokens& t, std::size_t from) {
  int depth = 0;
  for (std::size_t i = from; i < t.size(); ++i) {
    if (t[i].kind == TokenKind::LParen) ++depth;
    if (t[i].kind == TokenKind::RParen && --depth < 0) return i;
    if (depth == 0 && t[i].Is(TokenKind::Symbol, ";")) return i;
  }
  return t.size();
}

// First index in [from, to) at the depth of `from` where `match` holds.
template <typename Pred>
std::size_t FindAtLevel(const Tokens& t, std::size_t from, std::size_t to, Pred match) {
  int depth = 0;
  for (std::size_t i = from; i < to; ++i) {
    if (depth == 0 && match(t[i])) return i;
    if (t[i].kind == TokenKind::LParen) ++depth;
    if (t[i].kind == TokenKind::RParen) --depth;
  }
  return to;
}

std::size_t FindKeyword(const Tokens& t, std::size_t from, std::size_t to, std::string_view kw) {
  return FindAtLevel(t, from, to, [&](const Token& tok) { return tok.IsKeyword(kw); });
}

// Splits [from, to) at the commas of its own level into [begin, end) ranges.
std::vector<std::pair<std::size_t, std::size_t>> SplitList(const Tokens& t, std::size_t from,
                                                           std::size_t to) {
  std::vector<std::pair<std::size_t, std::size_t>> items;
  std::size_t start = from;
  while (true) {
    const std::size_t comma =
        FindAtLevel(t, start, to, [](const Token& tok) { return tok.kind == TokenKind::Comma; });
    items.emplace_back(start, comma);
    if (comma >= to) break;
    start = comma + 1;
  }
  return items;
}

void CheckParentheses(const Tokens& t, std::string_view sql) {
  int depth = 0;
  for (const Token& tok : t) {
    if (tok.kind == TokenKind::LParen) ++depth;
    if (tok.kind == TokenKind::RParen && --depth < 0) break;
  }
  if (depth != 0) throw DbError("Unbalanced parentheses in statement: " + std::string(sql));
}

// --- "+" chains ------------------------------------------------------------

bool IsChainBoundary(const Token& t) {
  return t.kind == TokenKind::Comma || IsComparison(t) || t.Is(TokenKind::Symbol, ";") ||
         IsClauseKeyword(t);
}

void EmitRange(const Tokens& in, std::size_t b, std::size_t e, Tokens& out);

// One operand item: a single token or a whole parenthesised group.
struct Item {
  std::size_t begin;
  std::size_t end;
};

void EmitItems(const Tokens& in, const std::vector<Item>& items, std::size_t b, std::size_t e,
               Tokens& out) {
  for (std::size_t k = b; k < e; ++k) {
    const Item& item = items[k];
    if (in[item.begin].kind == TokenKind::LParen) {
      out.push_back(in[item.begin]);
      EmitRange(in, item.begin + 1, item.end - 1, out);
      out.push_back(in[item.end - 1]);
    } else {
      out.push_back(in[item.begin]);
    }
  }
}

// Emits a run of operand items; a "+" chain with a string literal operand
// becomes a parenthesised "||" chain, each compound operand in parentheses.
void EmitRun(const Tokens& in, const std::vector<Item>& items, std::size_t b, std::size_t e,
             Tokens& out) {
  std::vector<std::size_t> plus;
  bool hasString = false;
  for (std::size_t k = b; k < e; ++k) {
    const Token& tok = in[items[k].begin];
    if (tok.Is(TokenKind::Symbol, "+")) plus.push_back(k);
    if (tok.kind == TokenKind::String) hasString = true;
  }
  if (plus.empty() || !hasString || plus.front() == b || plus.back() + 1 == e) {
    EmitItems(in, items, b, e, out);
    return;
  }
  out.push_back(MakeToken(TokenKind::LParen, "(", in[items[b].begin].space));
  std::size_t segStart = b;
  plus.push_back(e);
  for (std::size_t p : plus) {
    const std::size_t first = out.size();
    const bool functionCall = p - segStart == 2 &&
                              in[items[segStart].begin].kind == TokenKind::Word &&
                              in[items[segStart + 1].begin].kind == TokenKind::LParen;
    const bool wrap = p - segStart > 1 && !functionCall;
    if (wrap) out.push_back(MakeToken(TokenKind::LParen, "(", ""));
    EmitItems(in, items, segStart, p, out);
    if (segStart == b) out[first].space.clear();
    if (wrap) out.push_back(MakeToken(TokenKind::RParen, ")", ""));
    if (p < e) out.push_back(MakeToken(TokenKind::Symbol, "||", in[items[p].begin].space));
    segStart = p + 1;
  }
  out.push_back(MakeToken(TokenKind::RParen, ")", ""));
}

void EmitRange(const Tokens& in, std::size_t b, std::size_t e, Tokens& out) {
  std::vector<Item> items;
  for (std::size_t i = b; i < e;) {
    const std::size_t end = in[i].kind == TokenKind::LParen ? MatchParen(in, i) + 1 : i + 1;
    items.push_back(Item{i, end});
    i = end;
  }
  std::size_t runStart = 0;
  for (std::size_t k = 0; k <= items.size(); ++k) {
    if (k == items.size() || IsChainBoundary(in[items[k].begin])) {
      EmitRun(in, items, runStart, k, out);
      if (k < items.size()) out.push_back(in[items[k].begin]);
      runStart = k + 1;
    }
  }
}

Tokens RewriteConcatenation(const Tokens& in) {
  Tokens out;
  out.reserve(in.size() + 8);
  EmitRange(in, 0, in.size(), out);
  return out;
}

// --- TOP n -----------------------------------------------------------------

void RewriteTop(Tokens& t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!t[i].IsKeyword("SELECT")) continue;
    std::size_t j = i + 1;
    if (j < t.size() && (t[j].IsKeyword("DISTINCT") || t[j].IsKeyword("ALL"))) ++j;
    if (j + 1 >= t.size() || !t[j].IsKeyword("TOP") || t[j + 1].kind != TokenKind::Number) {
      continue;
    }
    const std::string count = t[j + 1].text;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(j),
            t.begin() + static_cast<std::ptrdiff_t>(j + 2));
    const std::size_t end = LevelEnd(t, i + 1);
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(end),
             {MakeToken(TokenKind::Word, "LIMIT"), MakeToken(TokenKind::Number, count)});
  }
}

// --- SELECT ... INTO t (SQLite) ----------------------------------------------

// Length of the (possibly dotted) name starting at `i`; 0 when none.
std::size_t NameLength(const Tokens& t, std::size_t i) {
  if (i >= t.size() || !IsName(t[i])) return 0;
  std::size_t n = 1;
  while (i + n + 1 < t.size() && t[i + n].Is(TokenKind::Symbol, ".") && IsName(t[i + n + 1])) {
    n += 2;
  }
  return n;
}

std::string NameText(const Tokens& t, std::size_t b, std::size_t e) {
  std::string text;
  for (std::size_t i = b; i < e; ++i) {
    text += t[i].kind == TokenKind::Bracketed ? "[" + t[i].text + "]" : t[i].text;
  }
  return text;
}

// The name a token stands for, for comparing names: brackets removed, ASCII
// lower case.
std::string Bare(const Token& t) {
  if (t.kind == TokenKind::Quoted) return AsciiLower(t.text.substr(1, t.text.size() - 2));
  return AsciiLower(t.text);
}

std::string RewriteSelectInto(Tokens& t) {
  if (t.empty() || !t[0].IsKeyword("SELECT")) return {};
  const std::size_t from = FindKeyword(t, 1, t.size(), "FROM");
  const std::size_t into = FindKeyword(t, 1, from, "INTO");
  const std::size_t nameLength = NameLength(t, into + 1);
  if (into >= from || nameLength == 0) return {};
  Tokens name(t.begin() + static_cast<std::ptrdiff_t>(into + 1),
              t.begin() + static_cast<std::ptrdiff_t>(into + 1 + nameLength));
  const std::string table = NameText(t, into + 1, into + 1 + nameLength);
  t.erase(t.begin() + static_cast<std::ptrdiff_t>(into),
          t.begin() + static_cast<std::ptrdiff_t>(into + 1 + nameLength));
  Tokens head{MakeToken(TokenKind::Word, "CREATE", t[0].space),
              MakeToken(TokenKind::Word, "TABLE")};
  name.front().space = " ";
  head.insert(head.end(), name.begin(), name.end());
  head.push_back(MakeToken(TokenKind::Word, "AS"));
  t[0].space = " ";
  t.insert(t.begin(), head.begin(), head.end());
  return table;
}

// --- UPDATE forms ------------------------------------------------------------

// Removes the qualifier of each assigned column in the SET list [from, to).
void UnqualifySetColumns(Tokens& t, std::size_t from, std::size_t& to) {
  for (std::size_t i = from; i < to; ++i) {
    const bool itemStart = i == from || t[i - 1].kind == TokenKind::Comma;
    if (!itemStart || NameLength(t, i) < 3) continue;
    const std::size_t length = NameLength(t, i);
    if (i + length >= to || !t[i + length].Is(TokenKind::Symbol, "=")) continue;
    const std::string space = t[i].space;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(i),
            t.begin() + static_cast<std::ptrdiff_t>(i + length - 1));
    t[i].space = space;
    to -= length - 1;
  }
}

// A FROM item's table name (empty for a derived table) and alias.
struct FromItem {
  std::string name;
  std::string alias;
  std::size_t aliasIndex = 0;  // 0 when there is no alias
};

FromItem DescribeFromItem(const Tokens& t, std::size_t b, std::size_t e) {
  FromItem item;
  std::size_t afterSource = b;
  if (b < e && t[b].kind == TokenKind::LParen) {
    afterSource = MatchParen(t, b) + 1;
  } else if (const std::size_t n = NameLength(t, b); n > 0) {
    item.name = Bare(t[b + n - 1]);
    afterSource = b + n;
  }
  if (afterSource < e && t[afterSource].IsKeyword("AS")) ++afterSource;
  if (afterSource + 1 == e && IsName(t[afterSource])) {
    item.alias = Bare(t[afterSource]);
    item.aliasIndex = afterSource;
  }
  return item;
}

void EraseRange(Tokens& t, std::size_t b, std::size_t e) {
  t.erase(t.begin() + static_cast<std::ptrdiff_t>(b), t.begin() + static_cast<std::ptrdiff_t>(e));
}

// "UPDATE t SET ... FROM <list> [WHERE ...]": the list entry that repeats the
// target (by name, or by an alias equal to the target) is removed and its
// alias is put on the target. Left in place, the repeat would be an unlinked
// second copy and every target row would get one value.
void RewriteUpdateFrom(Tokens& t, std::size_t targetLength, std::size_t set) {
  const std::size_t end = LevelEnd(t, 0);
  const std::size_t from = FindKeyword(t, set, end, "FROM");
  if (from >= end) return;
  const std::size_t where = FindKeyword(t, from, end, "WHERE");
  const std::string target = Bare(t[targetLength]);
  const auto items = SplitList(t, from + 1, where);
  for (std::size_t k = 0; k < items.size(); ++k) {
    const auto [b, e] = items[k];
    const FromItem item = DescribeFromItem(t, b, e);
    const bool sameTable = !item.name.empty() && item.name == target;
    const bool aliasOfTarget = item.alias == target && !item.name.empty();
    if (!sameTable && !aliasOfTarget) continue;
    Tokens newTarget(t.begin() + static_cast<std::ptrdiff_t>(b),
                     t.begin() + static_cast<std::ptrdiff_t>(e));
    newTarget.front().space = t[1].space;
    // Remove the entry with one neighbouring comma (or FROM itself when it
    // was the only entry).
    if (items.size() == 1) {
      EraseRange(t, from, e);
    } else if (k + 1 < items.size()) {
      // The next entry takes the removed one's place and its leading blank
      // ("FROM t,x" must not become "FROMx").
      const std::string leading = t[b].space;
      EraseRange(t, b, e + 1);
      t[b].space = leading;
    } else {
      EraseRange(t, b - 1, e);
    }
    if (item.aliasIndex != 0) {
      EraseRange(t, 1, 1 + targetLength);
      t.insert(t.begin() + 1, newTarget.begin(), newTarget.end());
    }
    return;
  }
}

// "UPDATE t AS a, v AS b SET a.c=b.c WHERE ..." becomes
// "UPDATE t AS a SET c=b.c FROM v AS b WHERE ...".
void RewriteJetUpdate(Tokens& t, std::size_t set) {
  const std::size_t firstComma =
      FindAtLevel(t, 1, set, [](const Token& tok) { return tok.kind == TokenKind::Comma; });
  if (firstComma >= set) return;
  Tokens others(t.begin() + static_cast<std::ptrdiff_t>(firstComma + 1),
                t.begin() + static_cast<std::ptrdiff_t>(set));
  EraseRange(t, firstComma, set);
  set = firstComma;
  const std::size_t end = LevelEnd(t, 0);
  const std::size_t where = FindKeyword(t, set, end, "WHERE");
  others.front().space = " ";
  others.insert(others.begin(), MakeToken(TokenKind::Word, "FROM"));
  t.insert(t.begin() + static_cast<std::ptrdiff_t>(where), others.begin(), others.end());
}

void RewriteUpdate(Tokens& t) {
  if (t.size() < 4 || !t[0].IsKeyword("UPDATE")) return;
  const std::size_t end = LevelEnd(t, 0);
  std::size_t set = FindKeyword(t, 1, end, "SET");
  if (set >= end) return;
  const std::size_t targetLength = NameLength(t, 1);
  if (targetLength == 0) return;
  RewriteJetUpdate(t, set);
  set = FindKeyword(t, 1, t.size(), "SET");
  std::size_t setEnd = LevelEnd(t, 0);
  setEnd = std::min(FindKeyword(t, set, setEnd, "FROM"), FindKeyword(t, set, setEnd, "WHERE"));
  UnqualifySetColumns(t, set + 1, setEnd);
  if (t[1 + targetLength].IsKeyword("SET")) RewriteUpdateFrom(t, targetLength, 1 + targetLength);
}

// --- PostgreSQL-only rules ----------------------------------------------------

void RewriteGetDate(Tokens& t) {
  for (std::size_t i = 0; i + 2 < t.size(); ++i) {
    if (t[i].IsKeyword("GetDate") && t[i + 1].kind == TokenKind::LParen &&
        t[i + 2].kind == TokenKind::RParen) {
      t[i].text = "LOCALTIMESTAMP";
      EraseRange(t, i + 1, i + 3);
    }
  }
}

// SQL Server converts the number 0 stored into a date column to 1900-01-01;
// PostgreSQL refuses an integer for a timestamp. In "INSERT ... SELECT", a
// "0 AS <name>Date" or "0 AS <name>Time" item becomes that timestamp.
void RewriteZeroDates(Tokens& t) {
  if (t.empty() || !t[0].IsKeyword("INSERT")) return;
  const std::size_t select = FindKeyword(t, 1, t.size(), "SELECT");
  if (select >= t.size()) return;
  const std::size_t from = FindKeyword(t, select + 1, LevelEnd(t, select + 1), "FROM");
  for (const auto& [b, e] : SplitList(t, select + 1, from)) {
    if (e - b != 3 || !t[b].Is(TokenKind::Number, "0") || !t[b + 1].IsKeyword("AS")) continue;
    const std::string& alias = t[b + 2].text;
    if (EndsWithNoCase(alias, "date") || EndsWithNoCase(alias, "time")) {
      t[b].kind = TokenKind::Date;
      t[b].text = "1900-01-01 00:00:00";
    }
  }
}

// ORDER BY keys without an explicit NULLS get the order of SQLite and SQL
// Server: NULLs first ascending, last descending.
void RewriteNullOrder(Tokens& t) {
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    if (!t[i].IsKeyword("ORDER") || !t[i + 1].IsKeyword("BY")) continue;
    std::size_t end = LevelEnd(t, i + 2);
    for (std::string_view stop : {"LIMIT", "OFFSET", "UNION", "FOR"}) {
      end = std::min(end, FindKeyword(t, i + 2, end, stop));
    }
    auto items = SplitList(t, i + 2, end);
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
      const auto [b, e] = *it;
      if (b == e) continue;
      const bool hasNulls = std::any_of(t.begin() + static_cast<std::ptrdiff_t>(b),
                                        t.begin() + static_cast<std::ptrdiff_t>(e),
                                        [](const Token& tok) { return tok.IsKeyword("NULLS"); });
      if (hasNulls) continue;
      const bool descending = t[e - 1].IsKeyword("DESC");
      t.insert(t.begin() + static_cast<std::ptrdiff_t>(e),
               {MakeToken(TokenKind::Word, "NULLS"),
                MakeToken(TokenKind::Word, descending ? "LAST" : "FIRST")});
    }
  }
}

// --- emission ------------------------------------------------------------------

bool NextToComparison(const Tokens& t, std::size_t i) {
  return (i > 0 && (IsComparison(t[i - 1]) || t[i - 1].IsKeyword("BETWEEN"))) ||
         (i + 1 < t.size() && IsComparison(t[i + 1]));
}

std::string QuotePgName(std::string_view name) {
  std::string out = "\"";
  for (char c : AsciiLower(name)) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

RewrittenStatement Emit(const Tokens& t, const std::string& trailing, Backend backend) {
  RewrittenStatement result;
  std::string& out = result.text;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const Token& tok = t[i];
    out += tok.space;
    switch (tok.kind) {
      case TokenKind::Bracketed:
        out += backend == Backend::Postgres ? QuotePgName(tok.text) : "[" + tok.text + "]";
        break;
      case TokenKind::Date:
        out += backend == Backend::Postgres ? "TIMESTAMP '" + tok.text + "'" : "'" + tok.text + "'";
        break;
      case TokenKind::Param:
        ++result.paramCount;
        if (backend == Backend::Postgres) {
          out += "$" + std::to_string(result.paramCount);
        } else if (NextToComparison(t, i)) {
          out += std::string(kSqliteDateTimeFunction) + "(?)";
        } else {
          out += "?";
        }
        break;
      case TokenKind::String:
        if (backend == Backend::Sqlite && NextToComparison(t, i) &&
            IsDateOnlyText(std::string_view(tok.text).substr(1, tok.text.size() - 2))) {
          out += tok.text.substr(0, tok.text.size() - 1) + " 00:00:00'";
        } else {
          out += tok.text;
        }
        break;
      default:
        out += tok.text;
    }
  }
  out += trailing;
  return result;
}

}  // namespace

bool IsDateOnlyText(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

RewrittenStatement RewriteStatement(std::string_view sql, Backend backend) {
  TokenList list = Tokenize(sql);
  CheckParentheses(list.tokens, sql);
  Tokens t = RewriteConcatenation(list.tokens);
  RewriteTop(t);
  RewriteUpdate(t);
  std::string created;
  if (backend == Backend::Sqlite) {
    created = RewriteSelectInto(t);
  } else {
    RewriteGetDate(t);
    RewriteZeroDates(t);
    RewriteNullOrder(t);
  }
  RewrittenStatement result = Emit(t, list.trailing, backend);
  result.createdTable = std::move(created);
  return result;
}

}  // namespace tavex::db
