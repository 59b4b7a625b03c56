#include <chrono>

#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "cli/PackageCommand.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/LocalTime.h"
#include "upload/ReportRun.h"

namespace tavex::cli {

namespace {

namespace chrono = std::chrono;

// The option's day, "YYYY-MM-DD"; `fallback` when it is absent.
chrono::year_month_day Day(const CommandLine& line, const std::string& name,
                           chrono::year_month_day fallback) {
  return line.Has(name) ? ParseDay(name, line.Value(name)) : fallback;
}

// Both days of a range, the first not after the last.
DayRange Range(const CommandLine& line, const std::string& from, const std::string& to,
               chrono::year_month_day fallback) {
  const DayRange range{Day(line, from, fallback), Day(line, to, fallback)};
  if (chrono::sys_days(range.first) > chrono::sys_days(range.last)) {
    throw UsageError("--" + from + " " + line.Value(from, "(yesterday)") + " is after --" + to +
                     " " + line.Value(to, "(yesterday)"));
  }
  return range;
}

chrono::year_month_day Yesterday() {
  return chrono::sys_days(LocalDate(chrono::system_clock::now())) - chrono::days(1);
}

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const chrono::year_month_day yesterday = Yesterday();
  ReportChoice choice;
  choice.reports = Range(line, "from", "to", yesterday);
  choice.stock = Range(line, "stock-from", "stock-to", yesterday);
  const bool anyType = line.Has("sales") || line.Has("inventory") || line.Has("stock-documents") ||
                       line.Has("consumption");
  choice.dailyReports = !anyType || line.Has("sales");
  choice.inventory = !anyType || line.Has("inventory");
  choice.stockDocuments = !anyType || line.Has("stock-documents");
  choice.consumption = !anyType || line.Has("consumption");
  choice.withBills = line.Has("with-bills");
  if (choice.withBills && !choice.dailyReports) {
    throw UsageError("--with-bills goes with the daily sales reports (--sales)");
  }
  const auto connection = OpenHostDatabase(line);
  LoadMessages();
  ExchangeContext::Instance().SetConnection(connection);
  std::string backup;
  std::string failure;
  const bool done = RunWithConsoleProgress(out, err, [&](ProgressList& list, ProgressBar& bar) {
    ReportRun run({.run = {.list = &list, .bar = &bar},
                   .showFailure = [&](const std::string& text) { err << text << '\n'; }});
    const bool result = run.Run(choice, line.Has("export-only"));
    backup = run.BackupFile();
    failure = run.Failure();
    return result;
  });
  if (!failure.empty()) err << failure << '\n';
  if (!backup.empty()) out << backup << '\n';
  return done ? kExitOk : kExitFailed;
}

}  // namespace

Command ReportsCommand() {
  return {"reports",
          "--db CONN [--home DIR] [--from DATE --to DATE] [--stock-from DATE --stock-to DATE] "
          "[--sales] [--with-bills] [--inventory] [--stock-documents] [--consumption] "
          "[--export-only]",
          "sends the daily sales and cashier reports of --from to --to (with --with-bills their "
          "bills too), the stock on hand, and the stock documents and raw-material use of "
          "--stock-from to --stock-to to the FTP server's upload folder as one package; with "
          "--export-only keeps it in the month's backup folder and prints its path. Dates are "
          "YYYY-MM-DD, yesterday by default; no type option chooses all four (exit 0 when sent "
          "or kept, 1 otherwise)",
          {{"from"},
           {"to"},
           {"stock-from"},
           {"stock-to"},
           {"sales", false},
           {"with-bills", false},
           {"inventory", false},
           {"stock-documents", false},
           {"consumption", false},
           {"export-only", false}},
          &Run};
}

}  // namespace tavex::cli
