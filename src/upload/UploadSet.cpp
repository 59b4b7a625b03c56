#include "upload/UploadSet.h"

#include <vector>

#include "storage/DatabaseHelpers.h"

namespace tavex {

std::string BranchPrefixed(const std::string& branchId, std::string_view column) {
  return "'" + storage::EscapeText(branchId) + "-'+" + std::string(column);
}

bool HostHas(std::string_view onlyWith) {
  return onlyWith.empty() || storage::TableExists(onlyWith);
}

void FillStagingTables(db::Connection& connection, std::span<const StagingTable> tables,
                       const std::string& branchId) {
  std::vector<const StagingTable*> made;
  for (const StagingTable& table : tables) {
    if (!HostHas(table.onlyWith)) continue;
    connection.Execute(table.copy);
    made.push_back(&table);
  }
  for (const StagingTable* table : made) {
    if (table->prefixedKeys[0].empty()) continue;
    std::string sql = " UPDATE " + std::string(table->name) + "     SET ";
    for (std::size_t i = 0; i < table->prefixedKeys.size(); ++i) {
      const std::string_view key = table->prefixedKeys[i];
      if (key.empty()) continue;
      if (i > 0) sql += ",         ";
      sql += std::string(key) + "=" + BranchPrefixed(branchId, key);
    }
    connection.Execute(sql + (table->marksUploaded ? ",IsUploaded=1 " : " "));
  }
}

void DropStagingTables(std::span<const StagingTable> tables) {
  for (const StagingTable& table : tables) storage::DropTable(table.name);
}

void AddUploadSteps(engine::Package& package, std::span<const UploadStep> steps,
                    const UploadBillTexts& texts,
                    const std::function<void(const UploadStep&, engine::ExData&)>& extend) {
  for (const UploadStep& step : steps) {
    if (!HostHas(step.onlyWith)) continue;
    engine::ExData& added =
        package.ExDatas().Add(std::string(step.number) + texts.*step.text, std::string(step.source),
                              std::string(step.table), false, false);
    for (const PerRowStatement& statement : step.perRow) {
      if (statement.sql.empty()) break;
      added.Statements().Add(std::string(statement.number) + texts.*statement.text,
                             std::string(statement.sql), engine::kKindPerRow, 0);
    }
    if (extend) extend(step, added);
  }
}

}  // namespace tavex
