#include "engine/SqlNames.h"

#include <algorithm>

#include "engine/Errors.h"
#include "engine/PackageFailure.h"

namespace tavex::engine {

namespace {

bool Quotable(std::string_view name) {
  if (name.empty()) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '[' || c == ']' || c == '"';
  });
}

}  // namespace

void RequireSafeName(std::string_view name) {
  if (!Quotable(name)) {
    throw PackageFailure(kErrDefinition,
                         "invalid table or column name \"" + std::string(name) + "\"");
  }
}

std::string QuoteName(std::string_view name) {
  RequireSafeName(name);
  std::string quoted;
  quoted.reserve(name.size() + 2);
  quoted += '[';
  quoted += name;
  quoted += ']';
  return quoted;
}

std::string ColumnType(const db::Column& column, db::Backend backend) {
  const bool pg = backend == db::Backend::Postgres;
  switch (column.kind) {
    case db::ColumnKind::Integer:
      return pg ? "BIGINT" : "INTEGER";
    case db::ColumnKind::Real:
      return pg ? "DOUBLE PRECISION" : "REAL";
    case db::ColumnKind::Numeric:
      return "NUMERIC";
    case db::ColumnKind::Text:
      return "TEXT";
    case db::ColumnKind::DateTime:
      return pg ? "TIMESTAMP" : "DATETIME";
    case db::ColumnKind::Boolean:
      return pg ? "BOOLEAN" : "INTEGER";
    case db::ColumnKind::Blob:
      return pg ? "BYTEA" : "BLOB";
    case db::ColumnKind::Unknown:
      break;
  }
  // A column of unknown content (an expression without a declared type):
  // SQLite stores each value as it comes; PostgreSQL needs a type.
  return pg ? "TEXT" : "";
}

std::vector<db::Column> TableColumns(db::Connection& connection, std::string_view table) {
  auto rows = connection.Query("SELECT * FROM " + QuoteName(table) + " WHERE 1=0");
  return rows->Columns();
}

std::string HostTable(const db::Connection& host, std::string_view table) {
  return (host.GetBackend() == db::Backend::Sqlite ? "main." : "") + QuoteName(table);
}

std::vector<db::Column> HostTableColumns(db::Connection& host, std::string_view table) {
  auto rows = host.Query("SELECT * FROM " + HostTable(host, table) + " WHERE 1=0");
  return rows->Columns();
}

}  // namespace tavex::engine
