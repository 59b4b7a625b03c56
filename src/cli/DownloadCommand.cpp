#include <unistd.h>

#include <iostream>

#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "download/cDownload.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const auto connection = OpenHostDatabase(line);
  ConsoleBar bar(err, &err == &std::cerr && isatty(STDERR_FILENO) == 1);
  ConsoleList list(out, &bar);
  cDownload download;
  download.Initialize(connection, list, bar);
  const bool merged = download.Download();
  bar.Clear();
  return merged ? kExitOk : kExitFailed;
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
