#include <fstream>
#include <iostream>
#include <optional>

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

// The account of --user, with its password from --password-file or else the
// first line of standard input; never from the arguments, which any user of
// the machine can list. None without --user.
std::optional<RestoreLogin> ReadLogin(const CommandLine& line) {
  if (!line.Has("user")) return std::nullopt;
  RestoreLogin login{line.Value("user"), ""};
  if (line.Has("password-file")) {
    std::ifstream file(line.Value("password-file"));
    if (!file) throw UsageError("cannot read the password file " + line.Value("password-file"));
    login.password = FirstLine(file);
  } else {
    login.password = FirstLine(std::cin);
  }
  return login;
}

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const std::string path = line.Argument();
  if (path.empty()) throw UsageError("name the package file to restore");
  const std::optional<RestoreLogin> login = ReadLogin(line);
  const auto host = OpenHostDatabase(line);
  LoadMessages();
  const RestoreTexts texts = ReadRestoreTexts();
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
          "its password read from the file or else from standard input "
          "(exit 0 when merged, 1 otherwise)",
          {{"user"}, {"password-file"}},
          &Run,
          true};
}

}  // namespace tavex::cli
