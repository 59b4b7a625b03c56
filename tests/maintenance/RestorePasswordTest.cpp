#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "cli/SampleDatabase.h"
#include "support/CliRun.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/Rows.h"

namespace tavex {
namespace {

// What a run of the built tavexdata wrote, and how it ended.
struct ChildRun {
  std::string output;  // standard output and standard error together
  int code = -1;
  bool echoOnAfterwards = false;  // the terminal's echo, once the run is over
};

// The command line of the built tavexdata with `args`, made before a fork
// so that the child only executes it.
class CommandLine {
 public:
  explicit CommandLine(const std::vector<std::string>& args) : mArgs(args) {
    mArgs.insert(mArgs.begin(), TAVEX_CLI_PATH);
    for (std::string& arg : mArgs) mArgv.push_back(arg.data());
    mArgv.push_back(nullptr);
  }
  [[noreturn]] void Exec() const {
    ::execv(mArgv[0], mArgv.data());
    ::_exit(127);
  }

 private:
  std::vector<std::string> mArgs;
  std::vector<char*> mArgv;
};

int ExitCode(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Runs tavexdata at a pseudo-terminal, as someone at a keyboard would:
// `typed` is typed once `prompt` has appeared.
ChildRun RunAtTerminal(const std::vector<std::string>& args, const std::string& prompt,
                       const std::string& typed) {
  const CommandLine command(args);
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) command.Exec();
  ChildRun run;
  if (pid < 0) return run;
  bool answered = false;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(terminal, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // EIO: the run closed the terminal
    run.output.append(buffer, static_cast<std::size_t>(got));
    if (!answered && run.output.find(prompt) != std::string::npos) {
      answered =
          ::write(terminal, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
    }
  }
  termios settings{};
  run.echoOnAfterwards = ::tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
  ::close(terminal);
  run.code = ExitCode(pid);
  return run;
}

// Runs tavexdata with `input` on a pipe as its standard input.
ChildRun RunWithPipedInput(const std::vector<std::string>& args, const std::string& input) {
  const CommandLine command(args);
  int in[2];
  int out[2];
  ChildRun run;
  if (::pipe(in) != 0 || ::pipe(out) != 0) return run;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(out[1], STDERR_FILENO);
    for (const int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
    command.Exec();
  }
  ::close(in[0]);
  ::close(out[1]);
  if (pid > 0 && ::write(in[1], input.data(), input.size()) < 0) run.output = "(not written)";
  ::close(in[1]);
  char buffer[4096];
  for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    run.output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  if (pid > 0) run.code = ExitCode(pid);
  return run;
}

// A sample host database on SQLite with a backup of its accounts, which a
// restore merges only under an account that may delete data; the account
// "intruder" added after the backup is gone once a restore went through.
class RestorePassword : public ::testing::Test {
 protected:
  RestorePassword() {
    cli::SampleOptions options;
    options.bills = 5;
    cli::CreateSampleDatabase(mHost, options);
    test::Invocation backup(
        {"backup", "base", "--groups", "7", "--db", mHostName, "--out", mDir / "rights.pkg"});
    EXPECT_EQ(backup.code, 0) << backup.err.str();
    mHost->Execute(
        "INSERT INTO pv_User (UserID, UserGroupID, PasswordHash, Disabled) SELECT 'intruder', "
        "UserGroupID, PasswordHash, Disabled FROM pv_User WHERE UserID='admin'");
  }

  std::vector<std::string> RestoreAsAdmin() const {
    return {"restore", mDir / "rights.pkg", "--db", mHostName, "--user", "admin"};
  }
  std::int64_t Intruders() const {
    return test::Number(*mHost, "SELECT COUNT(*) FROM pv_User WHERE UserID='intruder'");
  }

  test::PluginHome mHome;
  test::TempDir mDir;
  const std::string mHostName = test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir);
  std::shared_ptr<db::Connection> mHost = db::OpenConnection(mHostName);
};

TEST_F(RestorePassword, AtATerminalThePasswordIsAskedForAndNotShown) {
  const ChildRun run = RunAtTerminal(RestoreAsAdmin(), "密码：", "admin\n");
  EXPECT_EQ(run.code, 0) << run.output;
  EXPECT_EQ(run.output.rfind("密码：", 0), 0U) << run.output;
  EXPECT_EQ(run.output.find("admin"), std::string::npos) << "the password was echoed:\n"
                                                         << run.output;
  EXPECT_TRUE(run.echoOnAfterwards);
  EXPECT_EQ(Intruders(), 0);
}

TEST_F(RestorePassword, FromAPipeTheFirstLineIsThePasswordWithoutAPrompt) {
  const ChildRun wrong = RunWithPipedInput(RestoreAsAdmin(), "wrong\nadmin\n");
  EXPECT_EQ(wrong.code, 1) << wrong.output;
  EXPECT_NE(wrong.output.find("账号或密码错误，请重新输入！\n"), std::string::npos) << wrong.output;
  EXPECT_EQ(Intruders(), 1);

  const ChildRun right = RunWithPipedInput(RestoreAsAdmin(), "admin\n");
  EXPECT_EQ(right.code, 0) << right.output;
  EXPECT_EQ(right.output.find("密码："), std::string::npos) << right.output;
  EXPECT_EQ(Intruders(), 0);
}

}  // namespace
}  // namespace tavex
