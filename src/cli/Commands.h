#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "database/Connection.h"

namespace tavex::cli {

// Exit codes of tavexdata.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the command ran and failed
inline constexpr int kExitUsage = 2;   // the command line is wrong

// One subcommand of tavexdata. Every command also accepts the common options
// --db CONN and --home DIR, which RunCli handles before `run` is called.
struct Command {
  std::string name;
  std::string usage;    // the options after the command name
  std::string summary;  // one line for the command list
  std::vector<OptionRule> options;
  // Returns the exit code; may raise UsageError (exit 2) or any other
  // exception (exit 1, its text on `err`).
  int (*run)(const CommandLine& line, std::ostream& out, std::ostream& err) = nullptr;
  // How many arguments that are not options may be given, at most
  // (CommandLine::Arguments).
  std::size_t arguments = 0;
};

// The commands, in the order the help lists them.
const std::vector<Command>& Commands();

// The commands defined by their own files.
Command SettingsCommand();
Command SampleDbCommand();
Command UploadCommand();
Command ReportsCommand();
Command DownloadCommand();
Command MembersCommand();
Command RelayCommand();
Command StatusCommand();
Command ActionCommand();
Command BackupCommand();
Command RestoreCommand();
Command ExportMembersCommand();
Command KeysCommand();
Command OverviewCommand();

// Runs tavexdata with `args` (the arguments after the program name).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The connection name that --db gives, with a relative "sqlite:" path made
// absolute. UsageError when --db is missing or empty.
std::string HostDatabaseName(const CommandLine& line);

// `site` when it is a site identifier as the exchange's file names and
// folders carry it (not empty, no blanks or control characters); UsageError
// otherwise.
std::string SiteArgument(const std::string& site);

// Opens the --db database (which must exist).
std::shared_ptr<db::Connection> OpenHostDatabase(const CommandLine& line);

}  // namespace tavex::cli
