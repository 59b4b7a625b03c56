#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"
#include "engine/ProgressEvents.h"

namespace tavex::engine {

// Writes rows into one table of `target` through one insert prepared for the
// copier's life: the i-th value of each row goes into columns[i]. Values are
// always bound as parameters. The table must exist.
class RowCopier {
 public:
  RowCopier(db::Connection& target, std::string_view table,
            const std::vector<std::string>& columns);

  // Inserts the current row of `rows`, whose columns are in the same order.
  void Insert(const db::Recordset& rows);

 private:
  std::unique_ptr<db::RowWriter> mWriter;
};

// Copies the rows of `rows` still to come into `table` of `target`, the i-th
// value of each row into columns[i], raising progress events; returns the
// number of rows copied. A SQLite target takes them all in one statement.
std::int64_t CopyRows(db::Recordset& rows, db::Connection& target, std::string_view table,
                      const std::vector<std::string>& columns, ProgressEvents& progress);

}  // namespace tavex::engine
