#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "relay/cRelay.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const auto connection = OpenHostDatabase(line);
  cRelay relay;
  relay.DryRun(line.Has("dry-run"));
  const bool done = RunWithConsoleProgress(out, err, [&](ProgressList& list, ProgressBar& bar) {
    relay.Initialize(connection, &list, &bar);
    return relay.Relay();
  });
  if (!relay.Failure().empty()) err << relay.Failure() << '\n';
  return done ? kExitOk : kExitFailed;
}

}  // namespace

Command RelayCommand() {
  return {"relay",
          "--db CONN [--home DIR] [--dry-run]",
          "at head office: puts every package of the server's upload folder into the download "
          "folders of the sites that need it (member packages to every other site, all others "
          "to head office) and deletes it there once every copy is in place; damaged packages "
          "go to ForUpload/Rejected (exit 0 when every package was relayed or rejected, 1 "
          "otherwise); --dry-run only shows the routes",
          {{"dry-run", false}},
          &Run};
}

}  // namespace tavex::cli
