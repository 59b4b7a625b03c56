#include "engine/RowCopier.h"

#include "engine/SqlNames.h"

namespace tavex::engine {

RowCopier::RowCopier(db::Connection& target, std::string_view table,
                     const std::vector<std::string>& columns) {
  std::string names;
  std::string marks;
  for (const auto& column : columns) {
    names += (names.empty() ? "" : ",") + QuoteName(column);
    marks += marks.empty() ? "?" : ",?";
  }
  mWriter = target.PrepareRowWriter("INSERT INTO " + QuoteName(table) + " (" + names +
                                    ") VALUES (" + marks + ")");
}

void RowCopier::Insert(const db::Recordset& rows) { mWriter->Write(rows); }

std::int64_t CopyRows(db::Recordset& rows, db::Connection& target, std::string_view table,
                      const std::vector<std::string>& columns, ProgressEvents& progress) {
  if (target.GetBackend() == db::Backend::Sqlite) {
    std::string names;
    for (const auto& column : columns) names += (names.empty() ? "" : ",") + QuoteName(column);
    return target.ExecuteOverRows("INSERT INTO " + QuoteName(table) + " (" + names +
                                      ") SELECT * FROM " + std::string(db::kIncomingRowsTable),
                                  rows, [&](std::int64_t done) { progress.Row(done); });
  }
  RowCopier copier(target, table, columns);
  std::int64_t done = 0;
  while (rows.Next()) {
    copier.Insert(rows);
    progress.Row(++done);
  }
  return done;
}

}  // namespace tavex::engine
