#include <unistd.h>

#include <iostream>

#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "upload/cUpload.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const auto connection = OpenHostDatabase(line);
  ConsoleBar bar(err, &err == &std::cerr && isatty(STDERR_FILENO) == 1);
  ConsoleList list(out, &bar);
  cUpload upload;
  upload.Initialize(connection, &list, &bar);
  const bool sent = upload.Upload();
  bar.Clear();
  return sent ? kExitOk : kExitFailed;
}

}  // namespace

Command UploadCommand() {
  return {"upload",
          "--db CONN [--home DIR]",
          "sends the bills not yet uploaded to the FTP server's upload folder as one package "
          "and marks them as uploaded once it is there (exit 0 when sent, 1 otherwise)",
          {},
          &Run};
}

}  // namespace tavex::cli
