#include "engine/RowCopier.h"

#include "engine/SqlNames.h"

namespace tavex::engine {

std::int64_t CopyRows(db::Recordset& rows, db::Connection& target, const std::string& quotedTable,
                      const std::vector<std::string>& columns, const db::RowCounter& onRow) {
  std::string names;
  for (const auto& column : columns) names += (names.empty() ? "" : ",") + QuoteName(column);
  if (target.GetBackend() == db::Backend::Postgres) {
    return target.CopyIn("COPY " + quotedTable + " (" + names + ") FROM STDIN", rows, onRow);
  }
  return target.ExecuteOverRows("INSERT INTO " + quotedTable + " (" + names + ") SELECT * FROM " +
                                    std::string(db::kIncomingRowsTable),
                                rows, onRow);
}

}  // namespace tavex::engine
