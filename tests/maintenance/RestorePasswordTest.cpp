#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

int ExitCode(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Runs tavexdata at a pseudo-terminal, as someone at a keyboard would:
// `typed` is typed once `prompt` has appeared.
ChildRun RunAtTerminal(const std::vector<std::string>& args, const std::string& prompt,
                       const std::string& typed) {
  // Made before the fork: the child only executes it.
  std::vector<std::string> line{TAVEX_CLI_PATH};
  line.insert(line.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : line) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
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

// Runs tavexdata through the shell with `input` on a pipe as its standard
// input; the files it needs go into `folder`.
ChildRun RunWithPipedInput(const std::vector<std::string>& args, const std::string& input,
                           const test::TempDir& folder) {
  test::WriteFile(folder / "input", input);
  std::string command = "cat " + folder / "input" + " | " + TAVEX_CLI_PATH;
  for (const std::string& arg : args) command += " '" + arg + "'";
  const int status = std::system((command + " >" + folder / "output" + " 2>&1").c_str());
  return {test::ReadFile(folder / "output"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// A sample host database on SQLite with a backup of its accounts, which a
// restore merges only under an account that may delete data (the account
// checks themselves are the delete run's); the account "intruder" added
// after the backup is gone once a restore went through.
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

  // tavexdata restore of the accounts' backup, logged in with `login`.
  test::Invocation Restore(std::vector<std::string> login) const {
    login.insert(login.begin(), {"restore", mDir / "rights.pkg", "--db", mHostName});
    return test::Invocation(login);
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
  const ChildRun wrong = RunWithPipedInput(RestoreAsAdmin(), "wrong\nadmin\n", mDir);
  EXPECT_EQ(wrong.code, 1) << wrong.output;
  EXPECT_NE(wrong.output.find("账号或密码错误，请重新输入！\n"), std::string::npos) << wrong.output;
  EXPECT_EQ(Intruders(), 1);

  const ChildRun right = RunWithPipedInput(RestoreAsAdmin(), "admin\n", mDir);
  EXPECT_EQ(right.code, 0) << right.output;
  EXPECT_EQ(right.output.find("密码："), std::string::npos) << right.output;
  EXPECT_EQ(Intruders(), 0);
}

TEST_F(RestorePassword, TheAccountsAreRestoredOnlyUnderAnAccountThatMayDeleteData) {
  for (const std::string password : {"admin", "cashier"})
    test::WriteFile(mDir / password, password + "\n");
  const struct {
    std::vector<std::string> login;
    std::string error;
  } kCases[] = {
      {{}, "账号或密码错误，请重新输入！\n"},
      {{"--user", "cashier", "--password-file", mDir / "cashier"},
       "不允许删除数据：您的权限不足！\n"},
      {{"--user", "admin", "--password-file", mDir / "admin"}, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.error);
    const test::Invocation run = Restore(c.login);
    EXPECT_EQ(run.code, c.error.empty() ? 0 : 1);
    EXPECT_EQ(run.err.str(), c.error);
    EXPECT_EQ(Intruders(), c.error.empty() ? 0 : 1);
  }
  // Other packages restore without an account.
  test::Invocation members(
      {"backup", "base", "--groups", "6", "--db", mHostName, "--out", mDir / "members.pkg"});
  ASSERT_EQ(members.code, 0) << members.err.str();
  EXPECT_EQ(test::Invocation({"restore", mDir / "members.pkg", "--db", mHostName}).code, 0);
  // With no account left (as the base-data delete leaves a host), nobody
  // could log in: the backup of the accounts restores without one.
  mHost->Execute("DELETE FROM pv_User");
  EXPECT_EQ(Restore({}).code, 0);
  EXPECT_EQ(test::Number(*mHost, "SELECT COUNT(*) FROM pv_User WHERE UserID='admin'"), 1);
}

}  // namespace
}  // namespace tavex
