#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace tavex::test {

namespace {

constexpr int kFirstLineTimeOutMs = 30000;

// Forks and runs `args` with `output` as its standard output (and with
// `errors`, when not -1, as its standard error).
pid_t Start(std::vector<std::string>& args, int output, int errors, int closeInChild) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(output, STDOUT_FILENO);
    if (errors >= 0) dup2(errors, STDERR_FILENO);
    if (closeInChild >= 0) close(closeInChild);
    close(output);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

}  // namespace

pid_t StartChild(std::vector<std::string> args, const std::string& logFile) {
  const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (log < 0) throw std::runtime_error("cannot open " + logFile);
  const pid_t pid = Start(args, log, log, -1);
  close(log);
  return pid;
}

pid_t StartChildReadingLine(std::vector<std::string> args, std::string& firstLine) {
  int ends[2];
  if (pipe(ends) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = Start(args, ends[1], -1, ends[0]);
  close(ends[1]);
  firstLine.clear();
  char c = 0;
  pollfd watched{ends[0], POLLIN, 0};
  while (poll(&watched, 1, kFirstLineTimeOutMs) > 0 && read(ends[0], &c, 1) == 1 && c != '\n') {
    firstLine += c;
  }
  close(ends[0]);
  return pid;
}

void KillChild(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

}  // namespace tavex::test
