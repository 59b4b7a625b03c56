#include "engine/ImportScope.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "engine/PackageFailure.h"
#include "engine/SqlNames.h"

namespace tavex::engine {

namespace {

// The number of characters of UTF-8 `text`: its bytes that do not continue
// a character.
std::size_t Characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// "substr([column],1,N)<op>?" for `start`.
std::string StartCondition(const std::string& column, const std::string& start, const char* op,
                           db::Params& params) {
  params.emplace_back(start);
  return "substr(" + column + ",1," + std::to_string(Characters(start)) + ")" + op + "?";
}

}  // namespace

std::string OwnedCondition(const OwnedRows& rows, db::Params& params) {
  const std::string column = QuoteName(rows.column);
  if (!rows.prefix) {
    params.emplace_back(rows.value);
    return column + "=?";
  }
  std::string condition = StartCondition(column, rows.value, "=", params);
  for (const std::string& other : rows.notPrefixes) {
    condition += " AND " + StartCondition(column, other, "<>", params);
  }
  return condition;
}

namespace {

template <typename Entry>
const Entry* FindFor(const std::vector<Entry>& entries, std::string_view table) {
  const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
    return EqualsNoCase(entry.table, table);
  });
  return found == entries.end() ? nullptr : &*found;
}

}  // namespace

void WriteRecords(db::Connection& target, const std::vector<ReceiverRecord>& records,
                  const ImportedRows& written) {
  for (const ReceiverRecord& record : records) {
    db::Params params = record.params;
    if (record.complete) record.complete(params, written);
    try {
      target.Execute(record.sql, params);
    } catch (const db::DbError& error) {
      throw PackageFailure(error.Fault() == db::DbFault::TimeLimit ? kErrTimeLimit : kErrLocal,
                           error.what());
    }
  }
}

const OwnedRows* FindOwnedRows(const ImportScope& scope, std::string_view table) {
  return FindFor(scope.owned, table);
}

const RowGuard* FindRowGuard(const ImportScope& scope, std::string_view table) {
  return FindFor(scope.guards, table);
}

const RowFilter* FindRowFilter(const ImportScope& scope, std::string_view table) {
  return FindFor(scope.filters, table);
}

std::string FilterClause(const RowFilter* filter, db::Params& params) {
  if (filter == nullptr) return {};
  params.insert(params.end(), filter->params.begin(), filter->params.end());
  return " AND (" + filter->condition + ")";
}

std::string GuardClause(const RowGuard* guard, db::Params& params) {
  if (guard == nullptr) return {};
  params.insert(params.end(), guard->conditionParams.begin(), guard->conditionParams.end());
  params.emplace_back(guard->refusal);
  params.insert(params.end(), guard->shownParams.begin(), guard->shownParams.end());
  return " AND (CASE WHEN " + guard->condition + " THEN 1 ELSE " +
         std::string(db::kRefuseRowFunction) + "(?, " + guard->shown + ") END)";
}

}  // namespace tavex::engine
