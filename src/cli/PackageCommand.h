#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "engine/Package.h"
#include "maintenance/MaintenanceRuns.h"

namespace tavex::cli {

// What a package command says when its run ends other than done.
struct OutcomeTexts {
  std::string done;     // printed on the output after a run that succeeded
  std::string failed;   // the engine failed: followed by the engine's errors
  std::string badFile;  // the file could not be written or read
  std::string refused;  // the package is not what the run takes: followed by why
};

// Runs `run` (a backup, a restore or a member export of `package`) with the
// package's progress events as lines on `out` and a bar on a terminal's
// `err`, and reports how it ended. Returns the exit code: 0 when done.
int RunPackageCommand(std::ostream& out, std::ostream& err, engine::Package& package,
                      const std::function<RunResult()>& run, const OutcomeTexts& texts);

// Today's date on this machine's clock and time zone.
std::chrono::year_month_day LocalToday();

// A day written YYYY-MM-DD, for option `name`; UsageError otherwise.
std::chrono::year_month_day ParseDay(const std::string& name, const std::string& text);

}  // namespace tavex::cli
