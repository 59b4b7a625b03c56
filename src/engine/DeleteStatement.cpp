#include "engine/DeleteStatement.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "engine/Errors.h"
#include "engine/ExDatas.h"
#include "engine/PackageFailure.h"
#include "engine/SqlNames.h"

namespace tavex::engine {

namespace {

constexpr int kMaxDepth = 4;

struct Token {
  enum class Type { Word, Name, String, Symbol, End };
  Type type = Type::End;
  std::string text;
};

class Parser {
 public:
  Parser(std::string_view sql, int kind, const std::vector<std::string>& filledTables)
      : mSql(sql), mKind(kind), mFilledTables(filledTables) {
    Advance();
  }

  [[noreturn]] void Reject(const std::string& why) const {
    throw PackageFailure(kErrDamagedPackage,
                         "statement not allowed in a package (" + why + "): " + std::string(mSql));
  }

  void ExpectKeyword(std::string_view word) {
    if (mToken.type != Token::Type::Word || !EqualsNoCase(mToken.text, word)) {
      Reject("expected " + std::string(word));
    }
    Advance();
  }

  bool AcceptKeyword(std::string_view word) {
    if (mToken.type != Token::Type::Word || !EqualsNoCase(mToken.text, word)) return false;
    Advance();
    return true;
  }

  void ExpectSymbol(char symbol) {
    if (mToken.type != Token::Type::Symbol || mToken.text[0] != symbol) {
      Reject(std::string("expected ") + symbol);
    }
    Advance();
  }

  std::string Name() {
    if (mToken.type != Token::Type::Word && mToken.type != Token::Type::Name)
      Reject("expected a name");
    std::string name = mToken.text;
    Advance();
    RequireSafeName(name);
    return name;
  }

  std::string FilledTable() {
    std::string table = Name();
    const bool filled = std::any_of(mFilledTables.begin(), mFilledTables.end(),
                                    [&](const std::string& t) { return EqualsNoCase(t, table); });
    if (!filled) Reject("table " + table + " is not filled by the package");
    return table;
  }

  std::vector<DeleteStatement::Condition> Conditions(int depth) {
    if (depth > kMaxDepth) Reject("nested too deeply");
    std::vector<DeleteStatement::Condition> conditions;
    do {
      conditions.push_back(Condition(depth));
    } while (AcceptKeyword("AND"));
    return conditions;
  }

  DeleteStatement::Condition Condition(int depth) {
    using Type = DeleteStatement::Condition::Type;
    DeleteStatement::Condition condition;
    condition.column = Name();
    if (AcceptKeyword("IN")) {
      condition.type = Type::InSelect;
      condition.select = std::make_shared<DeleteStatement::Select>();
      ExpectSymbol('(');
      ExpectKeyword("SELECT");
      AcceptKeyword("DISTINCT");
      condition.select->column = Name();
      ExpectKeyword("FROM");
      condition.select->table = FilledTable();
      if (AcceptKeyword("WHERE")) condition.select->where = Conditions(depth + 1);
      ExpectSymbol(')');
      return condition;
    }
    ExpectSymbol('=');
    if (mToken.type != Token::Type::String) Reject("expected a quoted value");
    const std::string& text = mToken.text;
    const bool braced = text.size() >= 2 && text.front() == '{' && text.back() == '}';
    if (mKind == kKindPerRow && braced) {
      condition.type = Type::Placeholder;
      condition.value = text.substr(1, text.size() - 2);
      RequireSafeName(condition.value);
      mPlaceholderDepths.push_back(depth);
    } else {
      if (mKind == kKindPerRow && text.find_first_of("{}") != std::string::npos) {
        Reject("a placeholder must be the whole value");
      }
      condition.type = Type::Literal;
      condition.value = text;
    }
    Advance();
    return condition;
  }

  bool AtEnd() {
    if (mToken.type == Token::Type::Symbol && mToken.text[0] == ';') Advance();
    return mToken.type == Token::Type::End;
  }

  const std::vector<int>& PlaceholderDepths() const { return mPlaceholderDepths; }

 private:
  void Advance() {
    while (mPos < mSql.size() &&
           (mSql[mPos] == ' ' || mSql[mPos] == '\t' || mSql[mPos] == '\r' || mSql[mPos] == '\n')) {
      ++mPos;
    }
    mToken = Token{};
    if (mPos >= mSql.size()) return;
    const char c = mSql[mPos];
    if (c == '[') {
      const std::size_t close = mSql.find(']', mPos + 1);
      if (close == std::string_view::npos) Reject("unclosed bracket");
      mToken = {Token::Type::Name, std::string(mSql.substr(mPos + 1, close - mPos - 1))};
      mPos = close + 1;
    } else if (c == '\'') {
      std::string text;
      std::size_t i = mPos + 1;
      for (;;) {
        if (i >= mSql.size()) Reject("unclosed quote");
        if (mSql[i] == '\'') {
          if (i + 1 < mSql.size() && mSql[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          break;
        }
        text += mSql[i++];
      }
      mToken = {Token::Type::String, std::move(text)};
      mPos = i + 1;
    } else if (c == '=' || c == '(' || c == ')' || c == ';') {
      mToken = {Token::Type::Symbol, std::string(1, c)};
      ++mPos;
    } else if (IsWordChar(c) && !(c >= '0' && c <= '9')) {
      std::size_t end = mPos;
      while (end < mSql.size() && IsWordChar(mSql[end])) ++end;
      mToken = {Token::Type::Word, std::string(mSql.substr(mPos, end - mPos))};
      mPos = end;
    } else {
      Reject(std::string("unexpected character '") + c + "'");
    }
  }

  static bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
  }

  std::string_view mSql;
  int mKind;
  const std::vector<std::string>& mFilledTables;
  std::size_t mPos = 0;
  Token mToken;
  std::vector<int> mPlaceholderDepths;
};

void CollectFields(const std::vector<DeleteStatement::Condition>& conditions,
                   std::vector<std::string>& fields) {
  for (const auto& condition : conditions) {
    if (condition.type == DeleteStatement::Condition::Type::Placeholder) {
      const bool known = std::any_of(fields.begin(), fields.end(), [&](const std::string& f) {
        return EqualsNoCase(f, condition.value);
      });
      if (!known) fields.push_back(condition.value);
    } else if (condition.select) {
      CollectFields(condition.select->where, fields);
    }
  }
}

std::string TableName(const DeleteStatement::Rendering& rendering, std::string_view table) {
  return rendering.table ? rendering.table(table) : QuoteName(table);
}

std::string FieldName(const DeleteStatement::Rendering& rendering, std::string_view field) {
  return rendering.field ? rendering.field(field) : QuoteName(field);
}

// The alias of the incoming row in the correlated form of GroupSql.
constexpr std::string_view kIncomingAlias = "tavex_i";

// Renders `conditions` joined by AND. Placeholder conditions of one level
// become a single (row-value) IN over the incoming table, so that a row
// matches only when all of them match one incoming row; with `correlated`,
// each compares with that column of the incoming row kIncomingAlias instead.
std::string RenderWhere(const std::vector<DeleteStatement::Condition>& conditions,
                        std::string_view incomingTable, db::Params& params,
                        const DeleteStatement::Rendering& rendering, bool correlated = false) {
  using Type = DeleteStatement::Condition::Type;
  std::vector<std::string> parts;
  std::vector<std::string> keyColumns;
  std::vector<std::string> keyFields;
  for (const auto& condition : conditions) {
    switch (condition.type) {
      case Type::Literal:
        parts.push_back(QuoteName(condition.column) + "=?");
        params.emplace_back(condition.value);
        break;
      case Type::Placeholder:
        if (correlated) {
          parts.push_back(QuoteName(condition.column) + "=" + std::string(kIncomingAlias) + "." +
                          FieldName(rendering, condition.value));
          break;
        }
        keyColumns.push_back(QuoteName(condition.column));
        keyFields.push_back(FieldName(rendering, condition.value));
        break;
      case Type::InSelect: {
        std::string part = QuoteName(condition.column) + " IN (SELECT " +
                           QuoteName(condition.select->column) + " FROM " +
                           TableName(rendering, condition.select->table);
        if (!condition.select->where.empty()) {
          part += " WHERE " + RenderWhere(condition.select->where, incomingTable, params, rendering,
                                          correlated);
        }
        parts.push_back(part + ")");
        break;
      }
    }
  }
  if (!keyColumns.empty()) {
    auto join = [](const std::vector<std::string>& items) {
      std::string text;
      for (const auto& item : items) text += (text.empty() ? "" : ",") + item;
      return text;
    };
    const bool single = keyColumns.size() == 1;
    parts.push_back((single ? join(keyColumns) : "(" + join(keyColumns) + ")") + " IN (SELECT " +
                    join(keyFields) + " FROM " + QuoteName(incomingTable) + ")");
  }
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : " AND ") + part;
  return text;
}

}  // namespace

DeleteStatement DeleteStatement::Parse(std::string_view sql, int kind,
                                       const std::vector<std::string>& filledTables) {
  Parser parser(sql, kind, filledTables);
  if (kind != kKindBeforeStep && kind != kKindPerRow) parser.Reject("kind " + std::to_string(kind));
  DeleteStatement statement;
  parser.ExpectKeyword("DELETE");
  parser.ExpectKeyword("FROM");
  statement.mTable = parser.FilledTable();
  if (parser.AcceptKeyword("WHERE")) statement.mWhere = parser.Conditions(0);
  if (!parser.AtEnd()) parser.Reject("unexpected text after the statement");
  const auto& depths = parser.PlaceholderDepths();
  if (std::adjacent_find(depths.begin(), depths.end(), std::not_equal_to<>()) != depths.end()) {
    parser.Reject("placeholders on more than one level");
  }
  CollectFields(statement.mWhere, statement.mFields);
  return statement;
}

std::string DeleteStatement::Sql(db::Params& params, const Rendering& rendering) const {
  return SetSql({}, params, rendering);
}

std::string DeleteStatement::SetSql(std::string_view incomingTable, db::Params& params,
                                    const Rendering& rendering) const {
  std::string where =
      mWhere.empty() ? std::string() : RenderWhere(mWhere, incomingTable, params, rendering);
  if (!rendering.restriction.empty()) {
    where += (where.empty() ? "(" : " AND (") + rendering.restriction + ")";
    params.insert(params.end(), rendering.restrictionParams.begin(),
                  rendering.restrictionParams.end());
  }
  std::string sql = "DELETE FROM " + TableName(rendering, mTable);
  return where.empty() ? sql : sql + " WHERE " + where;
}

std::string DeleteStatement::GroupSql(std::string_view incomingTable,
                                      std::string_view packageColumn,
                                      const std::vector<Restriction>& restrictions,
                                      db::Params& params, const Rendering& rendering) const {
  // The uncorrelated IN finds the candidate rows (through an index on the
  // key when there is one, else in one pass over the table); only those are
  // then held to the restriction of the package whose incoming row found
  // them.
  std::string where =
      mWhere.empty() ? std::string() : RenderWhere(mWhere, incomingTable, params, rendering);
  const bool restricted = std::any_of(restrictions.begin(), restrictions.end(),
                                      [](const Restriction& r) { return !r.condition.empty(); });
  if (restricted) {
    std::string inner = mWhere.empty()
                            ? std::string()
                            : RenderWhere(mWhere, incomingTable, params, rendering, true) + " AND ";
    inner += "(CASE " + std::string(kIncomingAlias) + "." + QuoteName(packageColumn);
    for (std::size_t k = 0; k < restrictions.size(); ++k) {
      const Restriction& restriction = restrictions[k];
      inner += " WHEN " + std::to_string(k) + " THEN ";
      if (restriction.condition.empty()) {
        inner += "1";
        continue;
      }
      inner += "(CASE WHEN " + restriction.condition + " THEN 1 ELSE 0 END)";
      params.insert(params.end(), restriction.params.begin(), restriction.params.end());
    }
    inner += " ELSE 0 END)=1";
    where += (where.empty() ? "" : " AND ") + std::string("EXISTS (SELECT 1 FROM ") +
             QuoteName(incomingTable) + " " + std::string(kIncomingAlias) + " WHERE " + inner + ")";
  }
  std::string sql = "DELETE FROM " + TableName(rendering, mTable);
  return where.empty() ? sql : sql + " WHERE " + where;
}

}  // namespace tavex::engine
