#pragma once

#include <string_view>

namespace tavex::cli {

// The schema scripts of schema/sqlite.sql and schema/postgresql.sql, built
// into the program.
std::string_view SqliteSchemaScript();
std::string_view PostgresSchemaScript();

}  // namespace tavex::cli
