#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"

namespace tavex::engine {

// Raises PackageFailure for a name that cannot be quoted safely (empty,
// brackets, double quotes, control characters): it never reaches a
// statement text.
void RequireSafeName(std::string_view name);

// "[name]", the quoting every backend's statement rewriting understands;
// RequireSafeName holds for `name`.
std::string QuoteName(std::string_view name);

// The column type to create for `column` on `backend`, from what the
// column holds.
std::string ColumnType(const db::Column& column, db::Backend backend);

// Columns of `table` as `connection` reports them, without reading a row.
std::vector<db::Column> TableColumns(db::Connection& connection, std::string_view table);

// The receiving database's own table `table`, quoted: on SQLite qualified
// with "main.", so that a table of the same name in an attached package is
// never taken for it when the receiving database lacks it.
std::string HostTable(const db::Connection& host, std::string_view table);

// Columns of the receiving database's own table `table` (see HostTable).
std::vector<db::Column> HostTableColumns(db::Connection& host, std::string_view table);

}  // namespace tavex::engine
