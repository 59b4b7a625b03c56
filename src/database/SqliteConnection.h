#pragma once

#include <memory>
#include <string>

#include "database/Connection.h"

namespace tavex::db {

// Opens the existing SQLite database file at `path` (never creates one).
std::shared_ptr<Connection> OpenSqliteConnection(const std::string& path);

// Makes the file at `path` (created when missing, empty when present) an
// empty SQLite database, in place; storage::CreateEmptyDatabase is the one
// that writes under a temporary name. DbError when that fails.
void CreateSqliteDatabase(const std::string& path);

}  // namespace tavex::db
