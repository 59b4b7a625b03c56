#include "cli/Commands.h"
#include "cli/PackageCommand.h"
#include "i18n/Messages.h"
#include "maintenance/MemberExport.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const std::string path = line.Value("out");
  if (path.empty()) throw UsageError("--out FILE.db or FILE.csv is required");
  const auto host = OpenHostDatabase(line);
  LoadMessages();
  const MemberExportTexts texts = ReadMemberExportTexts();
  const auto package = DefineMemberExport(texts, LocalToday());
  return RunPackageCommand(
      out, err, *package, [&] { return RunMemberExport(*package, texts, host, path); },
      {"members written to " + path, texts.Msg_ExportData_Fault, texts.Msg_ExportData_Fault, ""});
}

}  // namespace

Command ExportMembersCommand() {
  return {"export-members",
          "--db CONN --out FILE.db|FILE.csv",
          "writes the member list as one table with the language file's column names: a "
          "database file (added to one that is there, replacing only a table of its own name), "
          "or CSV (UTF-8 with byte-order mark) for a name ending in .csv; an earlier file is "
          "replaced only once the new one is complete (exit 0 when written)",
          {{"out", true, false}},
          &Run};
}

}  // namespace tavex::cli
