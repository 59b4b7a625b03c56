#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "database/Connection.h"

namespace tavex {

// The framework's settings store: string values by numeric id, kept in table
// sys_ExchangeSetting(SettingID, SettingValue) of the host database. The
// table is created by the first write; until then, and for any id never
// written, a read gives the empty string.
class SettingsStore {
 public:
  explicit SettingsStore(std::shared_ptr<db::Connection> connection);

  // The value of setting `id`, "" when it is not set. The second argument is
  // carried for callers that pass it (always 0) and has no meaning. Without
  // an open connection every setting reads as not set.
  std::string GetSetting(std::int32_t id, int reserved = 0) const;

  // Stores `value` under `id`, replacing an earlier value. Raises db::DbError
  // when there is no open connection or the database refuses the write.
  void SetSetting(std::int32_t id, const std::string& value);

  // Every stored setting, ordered by id.
  std::vector<std::pair<std::int32_t, std::string>> AllSettings() const;

 private:
  bool TableExists() const;

  std::shared_ptr<db::Connection> mConnection;
};

}  // namespace tavex
