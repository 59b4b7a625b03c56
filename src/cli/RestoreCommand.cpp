#include "cli/Commands.h"
#include "cli/PackageCommand.h"
#include "i18n/Messages.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const std::string path = line.Argument();
  if (path.empty()) throw UsageError("name the package file to restore");
  const auto host = OpenHostDatabase(line);
  LoadMessages();
  const RestoreTexts texts = ReadRestoreTexts();
  engine::Package package;
  return RunPackageCommand(out, err, package, [&] { return RestorePackage(package, path, host); },
                           {"restored " + path, texts.Msg_ImportFault, texts.Msg_Error});
}

}  // namespace

Command RestoreCommand() {
  return {"restore",
          "FILE.pkg --db CONN",
          "merges a backup package into the database, all or nothing: rows the package "
          "carries replace their earlier copies, so restoring twice leaves one copy "
          "(exit 0 when merged, 1 otherwise)",
          {},
          &Run,
          true};
}

}  // namespace tavex::cli
