#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"

namespace tavex::engine {

// Writes rows into one table of `target` through one prepared insert: the
// i-th value of each row goes into columns[i]. Values are always bound as
// parameters.
class RowCopier {
 public:
  RowCopier(db::Connection& target, std::string_view table,
            const std::vector<std::string>& columns);

  // Inserts the current row of `rows`, whose columns are in the same order.
  void Insert(const db::Recordset& rows);

 private:
  db::Connection& mTarget;
  std::string mSql;
  db::Params mParams;
};

}  // namespace tavex::engine
