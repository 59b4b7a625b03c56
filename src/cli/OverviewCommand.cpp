#include "cli/Commands.h"
#include "framework/ExchangeContext.h"
#include "i18n/HostConnection.h"
#include "i18n/Messages.h"
#include "overview/ChainOverview.h"
#include "overview/OverviewPage.h"
#include "overview/OverviewReport.h"
#include "overview/RetiredBranches.h"

namespace tavex::cli {

namespace {

int Run(const CommandLine& line, std::ostream& out, std::ostream& /*err*/) {
  const std::string retire = line.Has("retire") ? SiteArgument(line.Value("retire")) : "";
  OverviewRequest request;
  request.days = static_cast<int>(line.Number("days", request.days, 1, 366));
  request.maxAgeDays = static_cast<int>(line.Number("max-age-days", request.maxAgeDays, 0, 3650));
  const std::string html = line.Value("html");
  if (line.Has("html") && html.empty()) throw UsageError("--html needs a file name");
  ExchangeContext::Instance().SetConnection(OpenHostDatabase(line));
  LoadMessages();
  const OverviewTexts texts = ReadOverviewTexts();
  if (!retire.empty()) {
    RetireBranch(*RequireHostConnection(), retire);
    out << texts.Msg_Overview_Retired << retire << '\n';
    return kExitOk;
  }

  const ChainOverview overview = ReadChainOverview(request);
  if (!html.empty()) {
    WriteOverviewPage(html, OverviewPage(overview, texts, LanguageTag(gLanguage().Language())));
  }
  if (line.Has("json")) {
    out << OverviewJson(overview) << '\n';
  } else {
    for (const std::string& text : OverviewLines(overview, texts)) out << text << '\n';
  }
  return overview.NeedsAttention() ? kExitFailed : kExitOk;
}

}  // namespace

Command OverviewCommand() {
  return {
      "overview",
      "--db CONN [--home DIR] [--days N] [--max-age-days N] [--html FILE] [--json] "
      "[--retire SITE]",
      "head office's view of the whole chain over the last N days (14): per branch the "
      "last package merged, bills, packages and sales per day, refused packages, the last "
      "member synchronisation and whether it signs; the chain's totals per day and head "
      "office's own runs. Text on standard output, --json for programs, --html FILE for a "
      "self-contained page with charts. --retire SITE marks a branch closed: it leaves the "
      "overview until it sends again (exit 0 when every branch is fresh, 1 when one has "
      "sent nothing for more than --max-age-days (2), its last package was refused, or a "
      "run of head office failed)",
      {{"days", true}, {"max-age-days", true}, {"html", true}, {"json", false}, {"retire", true}},
      &Run};
}

}  // namespace tavex::cli
