#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"

namespace tavex::engine {

// Copies the rows of `rows` still to come into the table `quotedTable` of
// `target` (a quoted, possibly qualified name), the i-th
// value of each row into columns[i], calling `onRow` with the running count;
// returns the number of rows copied. The table must exist. Each backend
// takes them in bulk, with no statement per row: SQLite in one statement
// reading the rows, PostgreSQL through COPY.
std::int64_t CopyRows(db::Recordset& rows, db::Connection& target, const std::string& quotedTable,
                      const std::vector<std::string>& columns, const db::RowCounter& onRow);

}  // namespace tavex::engine
