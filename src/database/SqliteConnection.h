#pragma once

#include <memory>
#include <string>

#include "database/Connection.h"

namespace tavex::db {

enum class SqliteOpenMode {
  ReadWrite,
  // Nothing can be written through the connection; for files not yet
  // trusted (see OpenPackageForReading).
  ReadOnly,
};

// Opens the existing SQLite database file at `path` (never creates one).
// Every connection distrusts the schemas it reads: a function with side
// effects never runs from a view, trigger or default of any attached file.
std::shared_ptr<Connection> OpenSqliteConnection(const std::string& path,
                                                 SqliteOpenMode mode = SqliteOpenMode::ReadWrite);

// Makes the file at `path` (created when missing, empty when present) an
// empty SQLite database, in place; storage::CreateEmptyDatabase is the one
// that writes under a temporary name. DbError when that fails.
void CreateSqliteDatabase(const std::string& path);

}  // namespace tavex::db
