#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "database/Connection.h"

namespace tavex::test {

// The sample database every statement of the corpus runs against: branch
// B01, 80 bills over 2024-03-01 to 2024-03-04, the first two days uploaded.
inline constexpr const char* kBranch = "B01";
inline constexpr const char* kBranchName = "分店 B01";

// Reading results back, every value as text (numbers in decimal, date-times
// as "YYYY-MM-DD HH:MM:SS", NULL as "NULL").
class Env {
 public:
  Env(db::Backend backend, db::Connection& connection) : mBackend(backend), mDb(connection) {}

  db::Backend Backend() const { return mBackend; }
  bool IsSqlite() const { return mBackend == db::Backend::Sqlite; }

  std::vector<std::vector<std::string>> Rows(const std::string& sql,
                                             const db::Params& params = {}) const;
  // The first column of every row.
  std::multiset<std::string> Column(const std::string& sql) const;
  // The first value of the first row ("" when there is no row).
  std::string First(const std::string& sql) const;
  std::int64_t Count(const std::string& sql) const;
  // The column names of a query, lower-cased.
  std::vector<std::string> ColumnNames(const std::string& sql) const;
  bool TableExists(const std::string& table) const;

 private:
  db::Backend mBackend;
  db::Connection& mDb;
};

// What running a statement gave.
struct Result {
  std::int64_t affected = -1;                    // Execute: rows changed
  std::vector<std::string> columns;              // Query: lower-cased names
  std::vector<std::vector<std::string>> rows;    // Query: the rows
  std::vector<std::vector<std::string>> before;  // the row's snapshot query, run first
  std::multiset<std::string> expected;           // the row's expectation, read first
};

enum class On { Both, Sqlite, Postgres };

// One fixed statement text of the system with the effect it must have.
struct Row {
  std::string id;
  // The exact text, with run-time values filled in. Dates are written
  // between '#'; on PostgreSQL every '#' becomes "'", as the callers do for
  // SQL Server hosts.
  std::function<std::string(const Env&)> sql;
  db::Params params;
  bool query = false;              // run through Query (selecting steps, probes)
  std::vector<std::string> after;  // rows whose statements run first, in order
  std::vector<std::string> setup;  // plain statements run after those, before this one
  std::string snapshot;            // a query run just before the statement
  // Read just before the statement too, for checks that need rows it removes.
  std::function<std::multiset<std::string>(const Env&)> expect;
  std::function<void(const Env&, const Result&)> check;
  On on = On::Both;
  bool failsOnSqlite = false;  // the statement must fail on SQLite (the dialect probe)
  // A gap of the statement rewriter that makes this statement fail: the case
  // is skipped with this note instead of failing, until the rule exists.
  std::string gap;
};

const std::vector<Row>& CorpusRows();

// A value as text, the form every check compares.
std::string ValueText(const db::Value& value);

// Decimal text to number, for amounts from either backend.
double Number(const std::string& text);

}  // namespace tavex::test
