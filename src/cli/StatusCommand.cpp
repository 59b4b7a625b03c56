#include "cli/Commands.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "status/SiteStatus.h"
#include "status/StatusReport.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& /*err*/) {
  StatusRequest request;
  request.maxAgeDays = static_cast<int>(line.Number("max-age-days", 2, 0, 3650));
  request.checkServer = line.Has("check-server");
  ExchangeContext::Instance().SetConnection(OpenHostDatabase(line));
  LoadMessages();
  const SiteStatus status = ReadSiteStatus(request);
  if (line.Has("json")) {
    out << StatusJson(status) << '\n';
  } else {
    for (const std::string& text : StatusLines(status, ReadStatusTexts())) out << text << '\n';
  }
  return status.NeedsAttention() ? kExitFailed : kExitOk;
}

}  // namespace

Command StatusCommand() {
  return {"status",
          "--db CONN [--home DIR] [--json] [--check-server] [--max-age-days N]",
          "says whether the site needs attention: rows not yet uploaded (with the oldest "
          "date), packages waiting to be merged, damaged packages filed this month, the last "
          "successful upload, download, relay and member synchronisation, and with "
          "--check-server whether the FTP server answers (exit 0 when all is well, 1 when "
          "something needs attention: a package waits or failed, rows are older than N days "
          "(2), or the server does not answer)",
          {{"json", false}, {"check-server", false}, {"max-age-days", true}},
          &Run};
}

}  // namespace tavex::cli
