#include <algorithm>
#include <charconv>
#include <cstdint>

#include "cli/Commands.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"

namespace tavex::cli {

namespace {

// The settings that hold passwords: a listing shows whether they are set,
// never what they are (a listing ends up in terminals, logs and tickets).
constexpr std::int32_t kPasswordSettings[] = {kSettingFtpPassword, kSettingDdnsPassword};

std::string Listed(std::int32_t id, const std::string& value) {
  const bool password = std::find(std::begin(kPasswordSettings), std::end(kPasswordSettings), id) !=
                        std::end(kPasswordSettings);
  return password && !value.empty() ? "********" : value;
}

// "ID=VALUE" with a 32-bit id; the value may contain '=' and may be empty.
std::pair<std::int32_t, std::string> ParseAssignment(const std::string& text) {
  const auto equals = text.find('=');
  std::int32_t id = 0;
  const char* end = text.data() + (equals == std::string::npos ? text.size() : equals);
  const auto [stop, error] = std::from_chars(text.data(), end, id);
  if (equals == std::string::npos || equals == 0 || error != std::errc() || stop != end) {
    throw UsageError("--set needs ID=VALUE with a whole-number ID, not '" + text + "'");
  }
  return {id, text.substr(equals + 1)};
}

int Run(const CommandLine& line, std::ostream& out, std::ostream& /*err*/) {
  std::vector<std::pair<std::int32_t, std::string>> assignments;
  for (const auto& text : line.Values("set")) assignments.push_back(ParseAssignment(text));
  const auto connection = OpenHostDatabase(line);
  SettingsStore store(connection);
  if (!assignments.empty()) {
    connection->BeginTrans();
    try {
      for (const auto& [id, value] : assignments) store.SetSetting(id, value);
      connection->CommitTrans();
    } catch (...) {
      if (connection->InTransaction()) connection->RollbackTrans();
      throw;
    }
  }
  if (assignments.empty() || line.Has("list")) {
    for (const auto& [id, value] : store.AllSettings()) {
      out << id << "=" << Listed(id, value) << "\n";
    }
  }
  return kExitOk;
}

}  // namespace

Command SettingsCommand() {
  return {"settings",
          "--db CONN [--set ID=VALUE]... [--list]",
          "writes the given settings (all or none), then lists every stored setting as ID=VALUE, "
          "passwords (1003, 2002) as ******** when set (listing is the default without --set)",
          {{"set", true, true}, {"list", false, false}},
          &Run};
}

}  // namespace tavex::cli
