#include "storage/SyncLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "framework/PluginFolder.h"
#include "storage/CreatePath.h"
#include "storage/FileDescriptor.h"
#include "storage/IgnoreFailure.h"
#include "storage/LocalTime.h"

namespace tavex {

namespace {

constexpr const char* kLogFilePrefix = "数据同步日志";

std::mutex gLastLogFileMutex;
std::string gLastLogFile;

// One write of the whole record on a descriptor opened with O_APPEND: the
// kernel places it at the end of the file as one piece. Only a short write
// (a full disk) makes a second write for the rest.
void AppendRecord(const std::string& path, const std::string& record) {
  FileDescriptor file(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (file.Get() < 0) return;
  std::size_t written = 0;
  while (written < record.size()) {
    ssize_t result = write(file.Get(), record.data() + written, record.size() - written);
    if (result < 0) {
      if (errno == EINTR) continue;
      return;
    }
    written += static_cast<std::size_t>(result);
  }
}

}  // namespace

std::string DefaultLogFolder() { return JoinPath(PluginFolder(), "Log"); }

void WriteSyncLogAt(const std::string& text, std::string& folder,
                    std::chrono::system_clock::time_point now) noexcept {
  std::string path;
  IgnoreFailure([&] {
    if (folder.empty()) folder = DefaultLogFolder();
  });
  IgnoreFailure([&] { CreatePath(folder); });
  IgnoreFailure(
      [&] { path = JoinPath(folder, kLogFilePrefix + LocalTimeText(now, "%Y%m%d") + ".log"); });
  IgnoreFailure([&] {
    AppendRecord(path, "\"" + LocalTimeText(now, "%Y-%m-%d %H:%M:%S") + "\",\"" + text + "\"\r\n");
  });
  IgnoreFailure([&] {
    std::lock_guard lock(gLastLogFileMutex);
    gLastLogFile = path;
  });
}

void WriteSyncLog(const std::string& text, std::string& folder) noexcept {
  WriteSyncLogAt(text, folder, std::chrono::system_clock::now());
}

void WriteSyncLog(const std::string& text) noexcept {
  std::string folder;
  WriteSyncLog(text, folder);
}

std::string GetLastLogFile() {
  std::lock_guard lock(gLastLogFileMutex);
  return gLastLogFile;
}

}  // namespace tavex
