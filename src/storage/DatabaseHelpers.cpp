#include "storage/DatabaseHelpers.h"

#include <algorithm>
#include <filesystem>

#include "database/SqliteConnection.h"
#include "framework/ExchangeContext.h"
#include "storage/DurableFile.h"
#include "storage/IgnoreFailure.h"
#include "storage/LocalTime.h"

namespace tavex::storage {

namespace {

// Runs `sql` on `connection`; true when it ran. A missing or closed
// connection counts as a failure.
bool Runs(const std::shared_ptr<db::Connection>& connection, std::string_view sql,
          const db::Params& params = {}) {
  if (!connection || !connection->IsOpen()) return false;
  return IgnoreFailure([&] { connection->Execute(sql, params); });
}

}  // namespace

std::string GetProvider() {
  return std::string(GetDatabaseKind(ExchangeContext::Instance().Connection()) == kKindSqlServer
                         ? kProviderSqlServer
                         : kProviderAccess);
}

int GetDatabaseKind(const std::shared_ptr<db::Connection>& connection) {
  return Runs(connection, "SELECT GetDate()") ? kKindSqlServer : kKindAccess;
}

std::string QuoteTableName(std::string_view name) {
  std::string bare(name);
  std::erase_if(bare, [](char c) { return c == '[' || c == ']'; });
  return " [" + bare + "] ";
}

bool TableExists(std::string_view table) {
  return Runs(ExchangeContext::Instance().Connection(),
              " SELECT * FROM " + QuoteTableName(table) + " WHERE 1<>1 ");
}

bool TableExists(db::Connection& connection, std::string_view table) {
  try {
    connection.Query(" SELECT * FROM " + QuoteTableName(table) + " WHERE 1<>1 ");
    return true;
  } catch (const db::DbError& error) {
    if (error.Fault() != db::DbFault::Statement) throw;
    return false;
  }
}

void DropTable(std::string_view table) {
  Runs(ExchangeContext::Instance().Connection(), " DROP TABLE " + QuoteTableName(table));
}

void DropTable(db::Connection& connection, std::string_view table) {
  ExecuteCommand(connection, " DROP TABLE " + QuoteTableName(table), {});
}

bool ExecuteCommand(std::string_view sql, const db::Params& params) {
  return Runs(ExchangeContext::Instance().Connection(), sql, params);
}

bool ExecuteCommand(db::Connection& connection, std::string_view sql, const db::Params& params) {
  return connection.IsOpen() && IgnoreFailure([&] { connection.Execute(sql, params); });
}

void CreateEmptyDatabase(const std::string& path) {
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) return;
  try {
    DurableFile file(path);
    db::CreateSqliteDatabase(file.TemporaryPath());
    file.Commit();
  } catch (const db::DbError&) {
    throw;
  } catch (const std::runtime_error& failure) {
    throw db::DbError(failure.what());
  }
}

std::string DayText(std::chrono::year_month_day day) { return tavex::DayText(day, "%Y-%m-%d"); }

db::Value DayParam(std::chrono::year_month_day day) { return DayText(day) + " 00:00:00"; }

std::string DateLiteral(std::chrono::year_month_day day, std::string_view provider) {
  const char delimiter = provider == kProviderSqlServer ? '\'' : '#';
  return delimiter + DayText(day) + delimiter;
}

std::chrono::year_month_day RangeEnd(std::chrono::year_month_day lastDay) {
  return std::chrono::year_month_day(std::chrono::sys_days(lastDay) + std::chrono::days(1));
}

std::string ForProvider(std::string sql, std::string_view provider) {
  if (provider == kProviderSqlServer) std::replace(sql.begin(), sql.end(), '#', '\'');
  return sql;
}

std::string EscapeText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    escaped += c;
    if (c == '\'') escaped += c;
  }
  return escaped;
}

}  // namespace tavex::storage
