#include "upload/UploadSet.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "database/AsciiText.h"
#include "database/SqlTokenizer.h"
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

std::string BranchUnprefixed(const std::string& branchId, std::string_view column) {
  // Both backends count characters, not bytes, in UTF-8 text.
  const auto characters = std::count_if(branchId.begin(), branchId.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  return "substr(" + std::string(column) + "," + std::to_string(characters + 2) + ")";
}

bool HostHas(db::Connection& connection, std::string_view onlyWith) {
  return onlyWith.empty() || storage::TableExists(connection, onlyWith);
}

namespace {

// While it lives, the embedded database drops tables without overwriting
// every page first (secure_delete FAST, where the system's library may be
// built with it on): a staging table holds copies of rows the database keeps
// anyway, and overwriting a large one writes all of it again, through the
// rollback journal, in the transaction that drops it. Deleted rows are still
// overwritten where their page is written anyway. The connection's own
// setting comes back afterwards.
class FastDrops {
 public:
  explicit FastDrops(db::Connection& connection) : mConnection(connection) {
    if (connection.GetBackend() != db::Backend::Sqlite) return;
    IgnoreFailure([&] {
      const auto setting = connection.Query("PRAGMA secure_delete");
      if (!setting->Next()) return;
      mFormer = std::get<std::int64_t>(setting->Get(std::size_t{0}));
      connection.Query("PRAGMA secure_delete=FAST")->Next();
      mSet = true;
    });
  }
  ~FastDrops() {
    if (!mSet) return;
    // The pragma takes 2 for on, not for FAST.
    const std::string former = mFormer == 2 ? "FAST" : std::to_string(mFormer);
    IgnoreFailure([&] { mConnection.Query("PRAGMA secure_delete=" + former)->Next(); });
  }
  FastDrops(const FastDrops&) = delete;
  FastDrops& operator=(const FastDrops&) = delete;

 private:
  db::Connection& mConnection;
  std::int64_t mFormer = 0;
  bool mSet = false;
};

// True when `sql` names `table` anywhere, as a whole name in any case.
bool Names(std::string_view sql, std::string_view table) {
  for (const db::Token& token : db::Tokenize(sql).tokens) {
    if ((token.kind == db::TokenKind::Word || token.kind == db::TokenKind::Bracketed) &&
        EqualsNoCase(token.text, table)) {
      return true;
    }
  }
  return false;
}

// Gives the staged keys of `table` the branch prefix; a table with none to
// prefix is left alone.
void PrefixKeys(db::Connection& connection, const StagingTable& table,
                const std::string& branchId) {
  if (table.prefixedKeys[0].empty()) return;
  std::string sql = " UPDATE " + std::string(table.name) + "     SET ";
  for (std::size_t i = 0; i < table.prefixedKeys.size(); ++i) {
    const std::string_view key = table.prefixedKeys[i];
    if (key.empty()) continue;
    if (i > 0) sql += ",         ";
    sql += std::string(key) + "=" + BranchPrefixed(branchId, key);
  }
  connection.Execute(sql + (table.marksUploaded ? ",IsUploaded=1 " : " "));
}

}  // namespace

std::vector<std::size_t> PrefixAfter(std::span<const StagingTable* const> tables) {
  std::vector<std::size_t> after(tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) {
    after[i] = i;
    for (std::size_t j = i + 1; j < tables.size(); ++j) {
      if (Names(tables[j]->copy, tables[i]->name)) after[i] = j;
    }
  }
  return after;
}

bool FillStagingTables(db::Connection& connection, std::span<const StagingTable> tables,
                       const std::string& branchId, const db::Params& range,
                       const std::function<void(const StagingTable&)>& afterCopy) {
  const FastDrops drops(connection);
  ShortWriteTransactions writes(connection);
  std::vector<const StagingTable*> made;
  for (const StagingTable& table : tables) {
    if (HostHas(connection, table.onlyWith)) {
      made.push_back(&table);
    } else if (storage::TableExists(connection, table.name)) {
      writes.Run([&] { storage::DropTable(connection, table.name); });
    }
  }
  const std::vector<std::size_t> prefixAfter = PrefixAfter(made);
  // How long each copy took: rewriting the keys of a table made in an earlier
  // transaction takes no less, every page going to the rollback journal
  // first.
  std::vector<std::chrono::steady_clock::duration> copyTook(made.size());
  for (std::size_t j = 0; j < made.size(); ++j) {
    const StagingTable& table = *made[j];
    bool copiedNone = false;
    writes.Run([&] {
      // The earlier staging's table goes in the transaction that replaces
      // it: without its pages overwritten (FastDrops) that takes a fraction
      // of the copy.
      if (storage::TableExists(connection, table.name)) storage::DropTable(connection, table.name);
      const auto started = std::chrono::steady_clock::now();
      copiedNone = connection.Execute(table.copy, table.inRange ? range : db::Params{}) == 0;
      copyTook[j] = std::chrono::steady_clock::now() - started;
      if (afterCopy) afterCopy(table);
      if (prefixAfter[j] == j && !(table.needsRows && copiedNone)) {
        PrefixKeys(connection, table, branchId);
      }
    });
    if (table.needsRows && copiedNone) return false;
    for (std::size_t i = 0; i < j; ++i) {
      if (prefixAfter[i] == j) {
        writes.Run([&] { PrefixKeys(connection, *made[i], branchId); }, copyTook[i]);
      }
    }
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
  const FastDrops drops(*connection);
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
