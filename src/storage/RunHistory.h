#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tavex {

// When each kind of exchange run ("upload", "download", "relay", ...) last
// ended successfully: one small file per kind in "<plug-in folder>/LastRuns/",
// written durably, so that a status check can tell how long ago a site last
// exchanged data. One file per kind, so runs of different kinds never
// overwrite each other's record.

// Records that `run` ended successfully at `when`. A failure to record is
// ignored: it never turns a successful run into a failed one.
void RecordSuccessfulRun(std::string_view run, std::chrono::system_clock::time_point when =
                                                   std::chrono::system_clock::now()) noexcept;

// Records how a run of `run` ended: a success as RecordSuccessfulRun does, a
// failure in a record of its own, so that head office can see a night
// whose run failed after the last one that worked.
void RecordRun(
    std::string_view run, bool succeeded,
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now()) noexcept;

// When `run` last ended successfully; nullopt when never (or the record
// cannot be read).
std::optional<std::chrono::system_clock::time_point> LastSuccessfulRun(std::string_view run);
// When `run` last failed, as RecordRun recorded it.
std::optional<std::chrono::system_clock::time_point> LastFailedRun(std::string_view run);

}  // namespace tavex
