#include "cli/Commands.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string_view>

#include "i18n/Messages.h"

namespace tavex::cli {

namespace {

constexpr std::string_view kSqlitePrefix = "sqlite:";

void PrintHelp(std::ostream& out) {
  out << "usage: tavexdata [--lang N] COMMAND [--db CONN] [--home DIR] [--lang N] [options]\n"
         "  CONN is sqlite:/path/to/host.db or a PostgreSQL URI (postgresql://...)\n"
         "  DIR is the plug-in folder (languages, log, exchange folders)\n"
         "  N chooses the language file of the run's lines: 2 Traditional Chinese, 3 English;\n"
         "    without --lang the user's setting holds; built-in texts are Simplified Chinese\n"
         "\ncommands:\n";
  for (const auto& command : Commands()) {
    out << "  " << command.name << " " << command.usage << "\n      " << command.summary << "\n";
  }
}

// Moves "--lang N" (or "--lang=N") given before the command behind it, where
// every command takes it with the other common options.
std::vector<std::string> WithGlobalOptionsLast(std::vector<std::string> args) {
  std::vector<std::string> leading;
  while (!args.empty() && args[0].starts_with("--lang")) {
    const bool separateValue = args[0] == "--lang" && args.size() > 1;
    leading.insert(leading.end(), args.begin(), args.begin() + (separateValue ? 2 : 1));
    args.erase(args.begin(), args.begin() + (separateValue ? 2 : 1));
  }
  if (args.empty()) return leading;
  args.insert(args.begin() + 1, leading.begin(), leading.end());
  return args;
}

const Command* FindCommand(const std::string& name) {
  for (const auto& command : Commands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands{
      SettingsCommand(), SampleDbCommand(), UploadCommand(),        ReportsCommand(),
      DownloadCommand(), MembersCommand(),  RelayCommand(),         StatusCommand(),
      BackupCommand(),   RestoreCommand(),  ExportMembersCommand(), KeysCommand(),
      ActionCommand(),
  };
  return commands;
}

std::string HostDatabaseName(const CommandLine& line) {
  const std::string name = line.Value("db");
  if (name.empty()) throw UsageError("--db CONN is required");
  if (name.compare(0, kSqlitePrefix.size(), kSqlitePrefix) != 0) return name;
  const std::filesystem::path path(name.substr(kSqlitePrefix.size()));
  if (path.empty()) throw UsageError("--db sqlite: needs a file path");
  return std::string(kSqlitePrefix) + std::filesystem::absolute(path).lexically_normal().string();
}

std::shared_ptr<db::Connection> OpenHostDatabase(const CommandLine& line) {
  return db::OpenConnection(HostDatabaseName(line));
}

int RunCli(const std::vector<std::string>& given, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> args = WithGlobalOptionsLast(given);
  if (args.empty()) {
    PrintHelp(err);
    return kExitUsage;
  }
  if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    PrintHelp(out);
    return kExitOk;
  }
  const Command* command = FindCommand(args[0]);
  if (command == nullptr) {
    err << "tavexdata: unknown command '" << args[0] << "'\n";
    PrintHelp(err);
    return kExitUsage;
  }
  const auto asksHelp = [](const std::string& arg) { return arg == "--help" || arg == "-h"; };
  if (std::any_of(args.begin() + 1, args.end(), asksHelp)) {
    out << "usage: tavexdata " << command->name << " " << command->usage << "\n  "
        << command->summary << "\n";
    return kExitOk;
  }
  try {
    auto accepted = command->options;
    accepted.push_back({"db", true, false});
    accepted.push_back({"home", true, false});
    accepted.push_back({"lang", true, false});
    const auto line = CommandLine::Parse(std::vector<std::string>(args.begin() + 1, args.end()),
                                         accepted, command->arguments);
    if (line.Has("home")) {
      if (line.Value("home").empty()) throw UsageError("--home needs a folder");
      // Every path below the plug-in folder is built from TAVEX_HOME; a
      // relative one would silently follow the working folder.
      const std::string home = std::filesystem::absolute(line.Value("home")).lexically_normal();
      ::setenv("TAVEX_HOME", home.c_str(), 1);
    }
    if (line.Has("lang")) {
      const long long language = line.Number("lang", 0, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max());
      ::setenv(kLanguageVariable, std::to_string(language).c_str(), 1);
    }
    return command->run(line, out, err);
  } catch (const UsageError& error) {
    err << "tavexdata " << command->name << ": " << error.what() << "\n"
        << "usage: tavexdata " << command->name << " " << command->usage << "\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    err << "tavexdata " << command->name << ": " << error.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace tavex::cli
