#include "storage/CreatePath.h"

#include <sys/stat.h>

#include <cerrno>

namespace tavex {

namespace {

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

// True when `folder` is a folder now: it existed or mkdir made it (a folder
// made by someone else in between counts as well). A folder made here gets
// `permissions` exactly: mkdir's mode is narrowed by the umask, chmod's not.
bool EnsureFolder(const std::string& folder, std::optional<mode_t> permissions) {
  struct stat info {};
  if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  if (mkdir(folder.c_str(), permissions.value_or(0777)) == 0) {
    return !permissions || chmod(folder.c_str(), *permissions) == 0;
  }
  return errno == EEXIST && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool CreatePath(const std::string& path, std::optional<mode_t> permissions) noexcept {
  try {
    if (IsBlank(path) || path.front() != '/') return false;
    std::string accumulated = "/";
    std::size_t start = 1;
    while (start <= path.size()) {
      std::size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      if (end > start) {
        accumulated.append(path, start, end - start).push_back('/');
        if (!EnsureFolder(accumulated, permissions)) return false;
      }
      start = end + 1;
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tavex
