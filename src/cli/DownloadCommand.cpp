#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "download/cDownload.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const auto connection = OpenHostDatabase(line);
  cDownload download;
  const bool done = RunWithConsoleProgress(out, err, [&](ProgressList& list, ProgressBar& bar) {
    download.Initialize(connection, list, bar);
    return download.Download();
  });
  // The lines say what failed; the log records say why.
  if (!download.Failure().empty()) err << download.Failure() << '\n';
  return done ? kExitOk : kExitFailed;
}

}  // namespace

Command DownloadCommand() {
  return {"download",
          "--db CONN [--home DIR]",
          "fetches every package waiting in the branch's download folder on the FTP server, "
          "keeps a backup copy and merges it; a failing package is filed in the error folder "
          "and ends the run (exit 0 when every package was merged or none waited, 1 otherwise)",
          {},
          &Run};
}

}  // namespace tavex::cli
