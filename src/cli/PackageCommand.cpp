#include "cli/PackageCommand.h"

#include <charconv>
#include <ctime>

#include "cli/CommandLine.h"
#include "cli/ConsoleProgress.h"
#include "engine/RunProgress.h"
#include "i18n/Messages.h"

namespace tavex::cli {

int RunPackageCommand(std::ostream& out, std::ostream& err, engine::Package& package,
                      const std::function<RunResult()>& run, const OutcomeTexts& texts) {
  RunResult result;
  RunWithConsoleProgress(out, err, [&](ProgressList& list, ProgressBar& bar) {
    package.OnProccess([&](const std::string&, std::int32_t totalCount, std::int32_t totalFinished,
                           const std::string& currentExData, std::int32_t currentCount,
                           std::int32_t currentFinished, bool&, bool newExData) {
      ShowPackageProgress({.list = &list, .bar = &bar}, totalCount, totalFinished, currentExData,
                          currentCount, currentFinished, newExData);
    });
    result = run();
    return result.outcome == RunOutcome::Done;
  });
  switch (result.outcome) {
    case RunOutcome::Done:
      out << texts.done << '\n';
      return 0;
    case RunOutcome::BadFile:
      err << texts.badFile << '\n';
      return 1;
    case RunOutcome::BadLogin:
      err << Messages().Msg_CheckUser << '\n';
      return 1;
    case RunOutcome::NoPrivilege:
      err << Messages().Msg_CheckPrivilege << '\n';
      return 1;
    case RunOutcome::Refused:
      err << texts.refused << result.reason << '\n';
      return 1;
    default:
      err << texts.failed << '\n';
      if (!result.reason.empty()) err << result.reason << '\n';
      for (std::int32_t i = 1; i <= package.Errors().Count(); ++i) {
        err << package.Errors().Item(i).Description() << '\n';
      }
      return 1;
  }
}

std::chrono::year_month_day LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return std::chrono::year_month_day{std::chrono::year{parts.tm_year + 1900},
                                     std::chrono::month{static_cast<unsigned>(parts.tm_mon + 1)},
                                     std::chrono::day{static_cast<unsigned>(parts.tm_mday)}};
}

std::chrono::year_month_day ParseDay(const std::string& name, const std::string& text) {
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  const auto number = [&](const char* from, std::size_t width, auto& value) {
    const auto result = std::from_chars(from, from + width, value);
    return result.ec == std::errc() && result.ptr == from + width;
  };
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                      number(text.data(), 4, year) && number(text.data() + 5, 2, month) &&
                      number(text.data() + 8, 2, day);
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                                         std::chrono::day{day}};
  if (!shaped || !date.ok()) {
    throw UsageError("option '--" + name + "' needs a date YYYY-MM-DD, not '" + text + "'");
  }
  return date;
}

}  // namespace tavex::cli
