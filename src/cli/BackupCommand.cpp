#include <sstream>

#include "cli/Commands.h"
#include "cli/PackageCommand.h"
#include "i18n/Messages.h"
#include "maintenance/BackupDefinitions.h"
#include "storage/DatabaseHelpers.h"

namespace tavex::cli {

namespace {

std::optional<DateRange> RangeOption(const CommandLine& line) {
  if (line.Has("from") != line.Has("to")) throw UsageError("--from and --to go together");
  if (!line.Has("from")) return std::nullopt;
  return DateRange{ParseDay("from", line.Value("from")),
                   storage::RangeEnd(ParseDay("to", line.Value("to")))};
}

std::vector<int> GroupsOption(const CommandLine& line) {
  if (!line.Has("groups")) return {1, 2, 3, 4, 5, 6, 7};
  std::vector<int> groups;
  std::istringstream list(line.Value("groups"));
  for (std::string item; std::getline(list, item, ',');) {
    if (item.size() != 1 || item[0] < '1' || item[0] > '0' + kBaseDataGroupCount) {
      throw UsageError("--groups needs group numbers 1 to 7 separated by commas, not '" +
                       line.Value("groups") + "'");
    }
    groups.push_back(item[0] - '0');
  }
  if (groups.empty()) throw UsageError("--groups needs at least one group");
  return groups;
}

void Refuse(const CommandLine& line, std::initializer_list<const char*> options,
            const std::string& kind) {
  for (const char* option : options) {
    if (line.Has(option)) {
      throw UsageError(std::string("--") + option + " does not apply to a " + kind + " backup");
    }
  }
}

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const std::string kind = line.Argument();
  if (kind != "business" && kind != "base" && kind != "stock") {
    throw UsageError("say what to back up: business, base or stock");
  }
  const std::string path = line.Value("out");
  if (path.empty()) throw UsageError("--out FILE.pkg is required");
  // Everything on the command line is checked before the database is opened.
  std::optional<DateRange> range;
  std::vector<int> groups;
  if (kind == "business") {
    Refuse(line, {"groups", "documents", "master"}, kind);
    range = RangeOption(line);
  } else if (kind == "base") {
    Refuse(line, {"from", "to", "documents", "master"}, kind);
    groups = GroupsOption(line);
  } else {
    Refuse(line, {"groups"}, kind);
    if (line.Has("documents") && line.Has("master")) {
      throw UsageError("--documents and --master exclude each other");
    }
    if (line.Has("master")) Refuse(line, {"from", "to"}, "stock master tables");
    range = RangeOption(line);
  }
  const auto host = OpenHostDatabase(line);
  LoadMessages();
  const std::string_view provider = storage::GetDatabaseKind(host) == storage::kKindSqlServer
                                        ? storage::kProviderSqlServer
                                        : storage::kProviderAccess;
  std::unique_ptr<engine::Package> package;
  std::string fault;
  if (kind == "business") {
    const BusinessBackupTexts texts = ReadBusinessBackupTexts();
    package = DefineBusinessBackup(texts, range, provider);
    fault = texts.Msg_ExportData_Fault;
  } else if (kind == "base") {
    const BaseDataBackupTexts texts = ReadBaseDataBackupTexts();
    package = DefineBaseDataBackup(texts, groups);
    fault = texts.Msg_ExportData_Fault;
  } else {
    const StockBackupTexts texts = ReadStockBackupTexts();
    const StockBackupKind what = line.Has("master") ? StockBackupKind::MasterTables
                                 : range            ? StockBackupKind::DocumentsInRange
                                                    : StockBackupKind::AllDocuments;
    package = DefineStockBackup(texts, what, range.value_or(DateRange{}), provider);
    fault = texts.Msg_ExportData_Fault;
  }
  return RunPackageCommand(
      out, err, *package, [&] { return RunBackup(*package, host, path); },
      {"backup written to " + path, fault, fault + " (" + path + " cannot be written)", ""});
}

}  // namespace

Command BackupCommand() {
  return {"backup",
          "business|base|stock --db CONN --out FILE.pkg [--from DATE --to DATE] "
          "[--groups 1,2,...] [--documents|--master]",
          "writes a backup package: the bills (of the days --from to --to, both included, "
          "dates YYYY-MM-DD; all without them), the base data groups 1 to 7 (all without "
          "--groups), or the stock documents (--documents, the default; days as for bills) or "
          "stock master tables (--master); an earlier file at FILE.pkg is replaced only once "
          "the new one is complete (exit 0 when written, 1 otherwise)",
          {{"out", true, false},
           {"from", true, false},
           {"to", true, false},
           {"groups", true, false},
           {"documents", false, false},
           {"master", false, false}},
          &Run,
          1};
}

}  // namespace tavex::cli
