#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "database/Connection.h"

namespace tavex::db {

// What a backend runs for one Jet / T-SQL statement text.
struct RewrittenStatement {
  std::string text;
  std::size_t paramCount = 0;
  // SQLite only: the table that a "SELECT ... INTO t" creates. SQLite's
  // CREATE TABLE AS reports no changed rows, so the connection counts them.
  std::string createdTable;
};

// Turns a statement written for Jet or SQL Server into the backend's SQL.
// A pure function of its arguments; unterminated literals, names or
// comments and unbalanced parentheses raise DbError.
//
// Both backends: "+" chains with a string literal operand become "||"
// chains in parentheses; "SELECT [DISTINCT] TOP n" becomes "LIMIT n"; the
// T-SQL "UPDATE t SET ... FROM ..., t AS a" drops the repeated target and
// moves its alias onto the target; the Jet "UPDATE t AS a, v AS b SET ..."
// becomes "UPDATE t AS a SET ... FROM v AS b"; SET columns lose their
// qualifier.
// SQLite: "SELECT ... INTO t" becomes "CREATE TABLE t AS SELECT ...";
// #dates# and date-only literals or parameters compared with a value become
// the stored "YYYY-MM-DD HH:MM:SS" text; [names] and GetDate() stay.
// PostgreSQL: [names] become quoted ASCII-lower-case names (as unquoted
// names fold); #dates# become TIMESTAMP literals; GetDate() becomes
// LOCALTIMESTAMP; "?" becomes "$n"; ORDER BY puts NULLs first as SQLite and
// SQL Server do; "0 AS xxxDate" in an INSERT ... SELECT becomes the
// timestamp SQL Server converts 0 to.
RewrittenStatement RewriteStatement(std::string_view sql, Backend backend);

// The SQL function the SQLite rewriting wraps compared parameters in: it
// turns a date-only text "YYYY-MM-DD" into "YYYY-MM-DD 00:00:00" and leaves
// every other value as it is.
inline constexpr const char* kSqliteDateTimeFunction = "tavex_datetime";

// True for text of the exact form "YYYY-MM-DD".
bool IsDateOnlyText(std::string_view text);

}  // namespace tavex::db
