#include "engine/RowCopier.h"

#include "engine/SqlNames.h"

namespace tavex::engine {

RowCopier::RowCopier(db::Connection& target, std::string_view table,
                     const std::vector<std::string>& columns)
    : mTarget(target), mParams(columns.size()) {
  std::string names;
  std::string marks;
  for (const auto& column : columns) {
    names += (names.empty() ? "" : ",") + QuoteName(column);
    marks += marks.empty() ? "?" : ",?";
  }
  mSql = "INSERT INTO " + QuoteName(table) + " (" + names + ") VALUES (" + marks + ")";
}

void RowCopier::Insert(const db::Recordset& rows) {
  for (std::size_t i = 0; i < mParams.size(); ++i) mParams[i] = rows.Get(i);
  mTarget.Execute(mSql, mParams);
}

}  // namespace tavex::engine
