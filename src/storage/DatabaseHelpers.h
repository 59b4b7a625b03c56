#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "database/Connection.h"

namespace tavex::storage {

// Provider names and database kinds of the two host roles: the file database
// (SQLite) and the server database (PostgreSQL).
inline constexpr std::string_view kProviderAccess = "MSACCESS";
inline constexpr std::string_view kProviderSqlServer = "SQLOLEDB";
inline constexpr int kKindAccess = 1;
inline constexpr int kKindSqlServer = 2;

// "SQLOLEDB" when the shared connection answers "SELECT GetDate()",
// otherwise "MSACCESS" (a missing or closed connection included).
std::string GetProvider();

// The same probe on `connection`: 2 when it answers, otherwise 1.
int GetDatabaseKind(const std::shared_ptr<db::Connection>& connection);

// " [name] " with every bracket already in `name` removed first.
std::string QuoteTableName(std::string_view name);

// True when the shared connection can select from `table` (no rows read).
bool TableExists(std::string_view table);
// True when `connection` can select from `table`; false when the statement
// is refused (no such table); a failure of the connection raises DbError.
bool TableExists(db::Connection& connection, std::string_view table);

// Drops `table` on the shared connection, or on `connection`; any failure
// is swallowed.
void DropTable(std::string_view table);
void DropTable(db::Connection& connection, std::string_view table);

// Runs `sql` with one value per "?" on the shared connection, or on
// `connection`; false on any failure, which is not reported further.
bool ExecuteCommand(std::string_view sql, const db::Params& params);
bool ExecuteCommand(db::Connection& connection, std::string_view sql, const db::Params& params);

// Creates an empty package database at `path` unless a file is already
// there, which is then left as it is. The database is made under a temporary
// name and renamed when complete. Failures raise db::DbError.
void CreateEmptyDatabase(const std::string& path);

// A day as "yyyy-mm-dd".
std::string DayText(std::chrono::year_month_day day);

// A day as a date parameter takes it: its midnight, "yyyy-mm-dd 00:00:00",
// the form date-times are stored in.
db::Value DayParam(std::chrono::year_month_day day);

// A date as it stands in a statement: "#yyyy-mm-dd#" for "MSACCESS",
// "'yyyy-mm-dd'" for "SQLOLEDB".
std::string DateLiteral(std::chrono::year_month_day day, std::string_view provider);

// The exclusive upper bound of a date range ending on `lastDay`: the day
// after it, so rows of the whole last day are included and none of the next.
std::chrono::year_month_day RangeEnd(std::chrono::year_month_day lastDay);

// A statement built with "#" date delimiters, as the provider takes it: for
// "SQLOLEDB" every "#" becomes "'".
std::string ForProvider(std::string sql, std::string_view provider);

// The text inside a quoted SQL string: every "'" doubled, so that a value
// put between quotes stays one literal whatever it holds.
std::string EscapeText(std::string_view text);

}  // namespace tavex::storage
