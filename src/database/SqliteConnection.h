#pragma once

#include <memory>
#include <string>

#include "database/Connection.h"

namespace tavex::db {

// Opens the existing SQLite database file at `path` (never creates one).
std::shared_ptr<Connection> OpenSqliteConnection(const std::string& path);

// Creates a new, empty SQLite database file at `path`, written under a
// temporary name and renamed when complete. DbError when that fails.
void CreateSqliteDatabase(const std::string& path);

}  // namespace tavex::db
