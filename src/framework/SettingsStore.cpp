#include "framework/SettingsStore.h"

#include <string_view>

#include "database/Values.h"

namespace tavex {

namespace {

constexpr std::string_view kCreateTable =
    "CREATE TABLE IF NOT EXISTS sys_ExchangeSetting ("
    " SettingID INTEGER NOT NULL PRIMARY KEY, SettingValue TEXT)";

}  // namespace

SettingsStore::SettingsStore(std::shared_ptr<db::Connection> connection)
    : mConnection(std::move(connection)) {}

bool SettingsStore::TableExists() const {
  if (!mConnection || !mConnection->IsOpen()) return false;
  try {
    mConnection->Query("SELECT SettingID FROM sys_ExchangeSetting WHERE 1<>1");
    return true;
  } catch (const db::DbError&) {
    return false;
  }
}

std::string SettingsStore::GetSetting(std::int32_t id, int /*reserved*/) const {
  if (!TableExists()) return "";
  auto rows = mConnection->Query("SELECT SettingValue FROM sys_ExchangeSetting WHERE SettingID=?",
                                 {std::int64_t{id}});
  return rows->Next() ? db::ValueText(rows->Get(0)) : "";
}

void SettingsStore::SetSetting(std::int32_t id, const std::string& value) {
  if (!mConnection || !mConnection->IsOpen()) {
    throw db::DbError("the settings store has no open database connection");
  }
  mConnection->Execute(kCreateTable);
  const db::Params params{value, std::int64_t{id}};
  if (mConnection->Execute("UPDATE sys_ExchangeSetting SET SettingValue=? WHERE SettingID=?",
                           params) == 0) {
    mConnection->Execute("INSERT INTO sys_ExchangeSetting (SettingValue, SettingID) VALUES (?, ?)",
                         params);
  }
}

std::vector<std::pair<std::int32_t, std::string>> SettingsStore::AllSettings() const {
  std::vector<std::pair<std::int32_t, std::string>> settings;
  if (!TableExists()) return settings;
  auto rows = mConnection->Query(
      "SELECT SettingID, SettingValue FROM sys_ExchangeSetting ORDER BY SettingID");
  while (rows->Next()) {
    const db::Value id = rows->Get(0);
    if (const auto* number = std::get_if<std::int64_t>(&id)) {
      settings.emplace_back(static_cast<std::int32_t>(*number), db::ValueText(rows->Get(1)));
    }
  }
  return settings;
}

}  // namespace tavex
