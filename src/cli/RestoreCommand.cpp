#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "cli/Commands.h"
#include "cli/PackageCommand.h"
#include "i18n/Messages.h"
#include "trust/CheckTexts.h"

namespace tavex::cli {

namespace {

// The first line of `in`, without its line end.
std::string FirstLine(std::istream& in) {
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Turns the echo of the terminal `fd` off for the life of the object and
// then puts back the settings it found, on every path out.
class EchoOff {
 public:
  explicit EchoOff(int fd) : mFd(fd) {
    if (::tcgetattr(mFd, &mSaved) != 0) throw std::runtime_error("cannot read the terminal");
    termios quiet = mSaved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    // The line end still shows, so what follows starts on a line of its own.
    quiet.c_lflag |= ECHONL;
    if (::tcsetattr(mFd, TCSAFLUSH, &quiet) != 0) {
      throw std::runtime_error("cannot turn the terminal's echo off");
    }
  }
  ~EchoOff() { ::tcsetattr(mFd, TCSAFLUSH, &mSaved); }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int mFd;
  termios mSaved{};
};

// The account of --user, with its password from --password-file or else the
// first line of standard input; never from the arguments, which any user of
// the machine can list. Typed at a terminal, the password is asked for with
// `prompt` on `err` and not shown. None without --user.
std::optional<RestoreLogin> ReadLogin(const CommandLine& line, std::ostream& err,
                                      const std::string& prompt) {
  if (!line.Has("user")) return std::nullopt;
  RestoreLogin login{line.Value("user"), ""};
  if (line.Has("password-file")) {
    std::ifstream file(line.Value("password-file"));
    if (!file) throw UsageError("cannot read the password file " + line.Value("password-file"));
    login.password = FirstLine(file);
  } else if (::isatty(STDIN_FILENO) == 1) {
    const EchoOff quiet(STDIN_FILENO);
    err << prompt << std::flush;
    login.password = FirstLine(std::cin);
  } else {
    login.password = FirstLine(std::cin);
  }
  return login;
}

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const std::string path = line.Argument();
  if (path.empty()) throw UsageError("name the package file to restore");
  LoadMessages();
  const RestoreTexts texts = ReadRestoreTexts();
  const std::optional<RestoreLogin> login = ReadLogin(line, err, texts.Msg_PasswordPrompt);
  const auto host = OpenHostDatabase(line);
  engine::Package package;
  return RunPackageCommand(out, err, package,
                           [&] { return RestorePackage(package, path, host, {}, login); },
                           {"restored " + path, texts.Msg_ImportFault, texts.Msg_Error,
                            trust::ReadCheckTexts().Msg_Check_Refused});
}

}  // namespace

Command RestoreCommand() {
  return {"restore",
          "FILE.pkg --db CONN [--user ID [--password-file FILE]]",
          "merges a backup package into the database, all or nothing: rows the package "
          "carries replace their earlier copies, so restoring twice leaves one copy; a "
          "package of accounts and privileges needs an account that may delete data, "
          "its password read from the file or else from standard input (asked for without "
          "echo at a terminal) "
          "(exit 0 when merged, 1 otherwise)",
          {{"user"}, {"password-file"}},
          &Run,
          1};
}

}  // namespace tavex::cli
