#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "database/Connection.h"

namespace tavex::test {

// A value as text, the form every check compares: numbers in decimal, reals
// with four decimals, NULL as "NULL", bytes as "b1.b2.".
std::string ValueText(const db::Value& value);

// Every row of `sql`, one line each, values separated by "|".
std::string Dump(db::Connection& connection, const std::string& sql);
// The first column of every row of `sql`.
std::set<std::string> FirstColumn(db::Connection& connection, const std::string& sql);
// The single number `sql` selects.
std::int64_t Number(db::Connection& connection, const std::string& sql);
// The column names of `sql`, lower-cased (PostgreSQL folds them).
std::vector<std::string> ColumnNames(db::Connection& connection, const std::string& sql);
bool HasTable(db::Connection& connection, const std::string& table);

}  // namespace tavex::test
