#include "support/FolderWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace tavex::test {

bool WaitForFolder(const std::string& folder, const std::function<bool()>& condition) {
  const int watch = inotify_init1(IN_CLOEXEC);
  if (watch < 0) return condition();
  inotify_add_watch(
      watch, folder.c_str(),
      IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE);
  // Watched before the first look, so no change between the two is missed.
  bool held = condition();
  char events[4096];
  pollfd watched{watch, POLLIN, 0};
  while (!held && poll(&watched, 1, 60000) > 0 && read(watch, events, sizeof events) > 0) {
    held = condition();
  }
  close(watch);
  return held;
}

}  // namespace tavex::test
