#include "storage/RunHistory.h"

#include <fstream>

#include "framework/PluginFolder.h"
#include "storage/CreatePath.h"
#include "storage/DurableFile.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

std::string RecordFolder() { return JoinPath(PluginFolder(), "LastRuns"); }

}  // namespace

void RecordSuccessfulRun(std::string_view run,
                         std::chrono::system_clock::time_point when) noexcept {
  IgnoreFailure([&] {
    CreatePath(RecordFolder());
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    WriteFileDurably(JoinPath(RecordFolder(), std::string(run)), std::to_string(seconds) + "\n");
  });
}

std::optional<std::chrono::system_clock::time_point> LastSuccessfulRun(std::string_view run) {
  std::ifstream in(JoinPath(RecordFolder(), std::string(run)));
  long long seconds = 0;
  if (!(in >> seconds)) return std::nullopt;
  return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

}  // namespace tavex
