#include "engine/RowCopier.h"

#include "engine/SqlNames.h"

namespace tavex::engine {

RowCopier::RowCopier(db::Connection& target, std::string_view table,
                     const std::vector<std::string>& columns)
{
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

}  // namespace tavex::engine
