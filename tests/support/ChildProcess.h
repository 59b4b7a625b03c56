#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tavex::test {

// Starts program `args[0]` (an absolute path) with `args` as a child that
// dies with the test process. Its standard output and error are appended to
// `logFile`. Throws std::runtime_error when it cannot be started.
pid_t StartChild(std::vector<std::string> args, const std::string& logFile);

// The same, for a server that prints the port it listens on as its first
// line and nothing after it: that line (without its end) goes to
// `firstLine`, "" when none came within half a minute.
pid_t StartChildReadingLine(std::vector<std::string> args, std::string& firstLine);

// Kills child `pid` at once and waits for it; -1 afterwards. Nothing for -1.
void KillChild(pid_t& pid);

}  // namespace tavex::test
