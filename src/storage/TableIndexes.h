#pragma once

#include <string>

#include "database/Connection.h"

namespace tavex::storage {

// True when `table` of `host` has an index whose first column is `column`
// (names compared without regard to case), so that a range of that column
// is read without scanning the table. False for a table `host` lacks.
bool HasIndexLeadingWith(db::Connection& host, const std::string& table, const std::string& column);

}  // namespace tavex::storage
