#pragma once

#include <chrono>
#include <string>

namespace tavex {

// The synchronisation log: one UTF-8 text file per calendar day,
// "<folder>/数据同步日志YYYYmmdd.log", where every upload, download and member
// run leaves its progress lines. Each record is one line
//   "yyyy-MM-dd HH:mm:SS","text"<CR><LF>
// with the local time and the caller's text unchanged (quotes in it are not
// doubled). A record is appended with a single write on a file opened in
// append mode, so records of several processes writing the same day's file
// interleave whole. Files are never rotated or trimmed.

// Appends one record with the current time. An empty `folder` is first
// replaced by the default log folder, "<plug-in folder>/Log", which the
// caller then sees. A log problem (folder that cannot be created, file that
// cannot be opened, failed write) loses the record silently: nothing is
// thrown, and the last log file still becomes that day's file.
void WriteSyncLog(const std::string& text, std::string& folder) noexcept;

// As above, in the default log folder.
void WriteSyncLog(const std::string& text) noexcept;

// As WriteSyncLog, with the record's time given: `now` chooses both the time
// stamp and the day's file. Lets a caller replay lines with their own times.
void WriteSyncLogAt(const std::string& text, std::string& folder,
                    std::chrono::system_clock::time_point now) noexcept;

// Full path of the file that received the most recent record of this
// process; empty before the first record.
std::string GetLastLogFile();

// The default log folder: "<plug-in folder>/Log".
std::string DefaultLogFolder();

}  // namespace tavex
