#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "upload/cUpload.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const auto connection = OpenHostDatabase(line);
  cUpload upload;
  const bool done = RunWithConsoleProgress(out, err, [&](ProgressList& list, ProgressBar& bar) {
    upload.Initialize(connection, &list, &bar);
    return upload.Upload();
  });
  // The lines say what failed; the log record says why.
  if (!upload.Failure().empty()) err << upload.Failure() << '\n';
  return done || upload.NothingToSend() ? kExitOk : kExitFailed;
}

}  // namespace

Command UploadCommand() {
  return {"upload",
          "--db CONN [--home DIR]",
          "sends the bills not yet uploaded to the FTP server's upload folder as one package "
          "and marks them as uploaded once it is there (exit 0 when sent or when no bill waits, 1 "
          "otherwise)",
          {},
          &Run};
}

}  // namespace tavex::cli
