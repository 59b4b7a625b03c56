#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "framework/ExchangeContext.h"
#include "support/RecordingProgress.h"

namespace tavex::test {

// The exit status of a child that RunKilledWhen killed.
inline constexpr int kKilled = 86;

// Runs `run` in a child process that dies at once (as under a kill or a
// power cut) when `dies(line)` holds for a line it shows; the child's exit
// status: kKilled when it died there, else 0 when `run` succeeded, 1 when not.
inline int RunKilledWhen(const std::function<bool(const std::string& line)>& dies,
                         const std::function<bool(HookedList&, RecordingBar&)>& run) {
  // A child must not carry this process's open databases or FTP session:
  // drop the shared ones; the child opens its own.
  ExchangeContext::Instance().SetConnection(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    HookedList list;
    RecordingBar bar;
    list.onLine = [&](const std::string& line) {
      if (dies(line)) ::_exit(kKilled);
    };
    ::_exit(run(list, bar) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tavex::test
