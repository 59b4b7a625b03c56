#include "engine/StepColumns.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "engine/Errors.h"
#include "engine/PackageFailure.h"
#include "engine/SqlNames.h"

namespace tavex::engine {

std::string StepColumns::TargetOf(const std::string& name) const {
  for (std::size_t i = 0; i < packageNames.size(); ++i) {
    if (EqualsNoCase(packageNames[i], name)) return targetNames[i];
  }
  return {};
}

std::string StepColumns::List(const std::vector<std::string>& names) {
  std::string list;
  for (const auto& name : names) list += (list.empty() ? "" : ",") + QuoteName(name);
  return list;
}

std::string StepColumns::Definitions(const std::vector<std::string>& names, db::Backend backend,
                                     const std::string& prefix) const {
  std::string definitions;
  for (const auto& name : names) {
    auto match = std::find_if(receiving.begin(), receiving.end(),
                              [&](const db::Column& c) { return EqualsNoCase(c.name, name); });
    const std::string type = match == receiving.end() ? std::string() : ColumnType(*match, backend);
    definitions += (definitions.empty() ? "" : ", ") + QuoteName(prefix + name) +
                   (type.empty() ? "" : " ") + type;
  }
  return definitions;
}

StepColumns MatchStepColumns(db::Connection& target, db::Connection& source,
                             const PackageDefinition::Step& step,
                             const std::vector<db::Column>* receiving) {
  StepColumns columns;
  try {
    columns.receiving = receiving ? *receiving : HostTableColumns(target, step.table);
  } catch (const db::DbError& error) {
    if (error.Fault() != db::DbFault::Statement) throw;
    throw PackageFailure(kErrMissingTable,
                         "the receiving table " + step.table + " does not exist in this database");
  }
  for (const auto& column : TableColumns(source, step.packageTable)) {
    auto match =
        std::find_if(columns.receiving.begin(), columns.receiving.end(),
                     [&](const db::Column& c) { return EqualsNoCase(c.name, column.name); });
    if (match == columns.receiving.end()) {
      throw PackageFailure(
          kErrMissingColumn,
          "package column " + column.name + " has no column in the receiving table " + step.table);
    }
    columns.packageNames.push_back(column.name);
    columns.targetNames.push_back(match->name);
  }
  return columns;
}

}  // namespace tavex::engine
