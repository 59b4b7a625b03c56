#include "upload/UploadSet.h"

#include <vector>

#include "framework/ExchangeContext.h"
#include "i18n/HostConnection.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"
#include "storage/ShortWriteTransactions.h"

namespace tavex {

std::string BranchPrefixed(const std::string& branchId, std::string_view column) {
  std::string prefixed(1, '\'');
  prefixed += storage::EscapeText(branchId);
  prefixed += "-'+";
  prefixed += column;
  return prefixed;
}

bool HostHas(db::Connection& connection, std::string_view onlyWith) {
  return onlyWith.empty() || storage::TableExists(connection, onlyWith);
}

bool FillStagingTables(db::Connection& connection, std::span<const StagingTable> tables,
                       const std::string& branchId, const db::Params& range,
                       const std::function<void(const StagingTable&)>& afterCopy) {
  ShortWriteTransactions writes(connection);
  std::vector<const StagingTable*> made;
  for (const StagingTable& table : tables) {
    if (!HostHas(connection, table.onlyWith)) continue;
    std::int64_t copied = 0;
    writes.Run([&] {
      copied = connection.Execute(table.copy, table.inRange ? range : db::Params{});
      if (afterCopy) afterCopy(table);
    });
    if (table.needsRows && copied == 0) return false;
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
    writes.Run([&] { connection.Execute(sql + (table->marksUploaded ? ",IsUploaded=1 " : " ")); });
  }
  writes.Finish();
  return true;
}

bool StageSet(const std::function<bool(db::Connection&)>& stage,
              const std::function<void()>& dropSet, std::string& failure) noexcept {
  failure.clear();
  try {
    return stage(*RequireHostConnection());
  } catch (const std::exception& raised) {
    failure = raised.what();
  } catch (...) {
  }
  IgnoreFailure(dropSet);
  return false;
}

void DropStagingTables(std::span<const StagingTable> tables) {
  const std::shared_ptr<db::Connection> connection = ExchangeContext::Instance().Connection();
  if (!connection) return;
  // Dropping a large table writes for a while too.
  ShortWriteTransactions writes(*connection);
  for (const StagingTable& table : tables) {
    if (storage::TableExists(table.name)) writes.Run([&] { storage::DropTable(table.name); });
  }
  writes.Finish();
}

void AddUploadSteps(engine::Package& package, std::span<const UploadStep> steps,
                    const UploadBillTexts& texts,
                    const std::function<void(const UploadStep&, engine::ExData&)>& extend) {
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  for (const UploadStep& step : steps) {
    if (!HostHas(*host, step.onlyWith)) continue;
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
