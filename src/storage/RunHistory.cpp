#include "storage/RunHistory.h"

#include <fstream>

#include "framework/PluginFolder.h"
#include "storage/CreatePath.h"
#include "storage/DurableFile.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

std::string RecordFolder() { return JoinPath(PluginFolder(), "LastRuns"); }

constexpr std::string_view kFailedEnding = ".failed";

void Record(const std::string& file, std::chrono::system_clock::time_point when) noexcept {
  IgnoreFailure([&] {
    CreatePath(RecordFolder());
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    WriteFileDurably(JoinPath(RecordFolder(), file), std::to_string(seconds) + "\n");
  });
}

std::optional<std::chrono::system_clock::time_point> Recorded(const std::string& file) {
  std::ifstream in(JoinPath(RecordFolder(), file));
  long long seconds = 0;
  if (!(in >> seconds)) return std::nullopt;
  return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

}  // namespace

void RecordSuccessfulRun(std::string_view run,
                         std::chrono::system_clock::time_point when) noexcept {
  Record(std::string(run), when);
}

void RecordRun(std::string_view run, bool succeeded,
               std::chrono::system_clock::time_point when) noexcept {
  Record(std::string(run) + (succeeded ? "" : std::string(kFailedEnding)), when);
}

std::optional<std::chrono::system_clock::time_point> LastSuccessfulRun(std::string_view run) {
  return Recorded(std::string(run));
}

std::optional<std::chrono::system_clock::time_point> LastFailedRun(std::string_view run) {
  return Recorded(std::string(run) + std::string(kFailedEnding));
}

}  // namespace tavex
