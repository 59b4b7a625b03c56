#include <filesystem>
#include <iomanip>
#include <limits>

#include "cli/Commands.h"
#include "cli/SampleDatabase.h"
#include "storage/DatabaseHelpers.h"

namespace tavex::cli {

namespace {

constexpr std::string_view kSqlitePrefix = "sqlite:";

std::string CheckedBranch(const std::string& branch) {
  const bool plain = !branch.empty() && branch.size() <= 20 &&
                     branch.find_first_not_of(
                         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                         "0123456789_") == std::string::npos;
  if (!plain) {
    throw UsageError("--branch needs 1 to 20 letters, digits or '_', not '" + branch + "'");
  }
  return branch;
}

int Run(const CommandLine& line, std::ostream& out, std::ostream& /*err*/) {
  SampleOptions options;
  options.branchId = CheckedBranch(line.Value("branch", options.branchId));
  options.bills = static_cast<int>(line.Number("bills", options.bills, 0, 10'000'000));
  options.days = static_cast<int>(line.Number("days", options.days, 1, 3660));
  options.seed =
      static_cast<std::uint64_t>(line.Number("seed", 1, 0, std::numeric_limits<long long>::max()));
  options.withUnCheck = !line.Has("no-uncheck");
  options.withOctopus = !line.Has("no-octopus");
  const std::string name = HostDatabaseName(line);

  // A new SQLite file is created here and removed again if filling it fails,
  // so a failed run leaves nothing behind.
  std::filesystem::path created;
  if (name.compare(0, kSqlitePrefix.size(), kSqlitePrefix) == 0) {
    const std::filesystem::path path(name.substr(kSqlitePrefix.size()));
    if (!std::filesystem::exists(path)) {
      storage::CreateEmptyDatabase(path.string());
      created = path;
    }
  }
  try {
    const auto connection = db::OpenConnection(name);
    const auto counts = CreateSampleDatabase(connection, options);
    connection->Close();
    out << "sample host database for branch " << options.branchId << " written:\n";
    for (const auto& [table, rows] : counts) {
      out << "  " << std::left << std::setw(28) << table << rows << "\n";
    }
  } catch (...) {
    if (!created.empty()) {
      std::error_code ignored;
      std::filesystem::remove(created, ignored);
    }
    throw;
  }
  return kExitOk;
}

}  // namespace

Command SampleDbCommand() {
  return {"sample-db",
          "--db CONN [--branch B01] [--bills N] [--days D] [--seed S] [--no-uncheck] "
          "[--no-octopus]",
          "creates the sample host schema and fills it with N bills over D days from " +
              std::string(kSampleFirstDay) + " (a new SQLite file is created)",
          {{"branch", true, false},
           {"bills", true, false},
           {"days", true, false},
           {"seed", true, false},
           {"no-uncheck", false, false},
           {"no-octopus", false, false}},
          &Run};
}

}  // namespace tavex::cli
