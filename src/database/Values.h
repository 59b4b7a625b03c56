#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "database/Connection.h"

namespace tavex::db {

// One way to read a cell, whatever the backend gave for it.

// A cell as text: text as it is, a whole number in decimal, a real number
// in the shortest form that reads back the same; NULL and bytes as "".
std::string ValueText(const Value& value);

// A cell as a whole number: a whole number as it is, a real number cut to
// its whole part, a text that holds a whole number (blanks around it
// allowed; PostgreSQL gives NUMERIC as text); 0 for anything else.
std::int64_t ValueNumber(const Value& value);

// The whole number in the first column of the first row of `sql` (a
// COUNT(*)), by ValueNumber; 0 when there is no row. A failing statement
// raises DbError.
std::int64_t CountOf(Connection& connection, std::string_view sql, const Params& params = {});

}  // namespace tavex::db
