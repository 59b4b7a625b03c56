#pragma once

#include <string>
#include <vector>

#include "database/Connection.h"

namespace tavex::storage {

// True when `table` of `host` has an index whose first column is `column`
// (names compared without regard to case), so that a range of that column
// is read without scanning the table. False for a table `host` lacks.
bool HasIndexLeadingWith(db::Connection& host, const std::string& table, const std::string& column);

// A column of a table, by name.
struct TableColumn {
  std::string table;
  std::string column;
};

// A column that rows are found by and that no index leads with, and the
// statement that makes one. The product never makes it itself: the tables
// are the user's.
struct MissingIndex {
  std::string table;
  std::string column;
  std::string statement;  // "CREATE INDEX ix_<table>_<column> ON <table> (<column>)"
};

// The columns of `wanted` that no index of `host` leads with, in order;
// tables `host` lacks are left out.
std::vector<MissingIndex> MissingIndexes(db::Connection& host,
                                         const std::vector<TableColumn>& wanted);

}  // namespace tavex::storage
