#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
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
      OverviewCommand(), ActionCommand(),
  };
  return commands;
}

std::string SiteArgument(const std::string& site) {
  const bool plain = !site.empty() && std::none_of(site.begin(), site.end(), [](char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '\x7f';
  });
  if (!plain) throw UsageError("'" + site + "' is not a site identifier");
  return site;
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

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // Every command is a subcommand; --lang belongs to the top, so it may stand
  // before the command or, falling through, after it. The help is ours.
  CLI::App app;
  app.set_help_flag();
  app.require_subcommand(0, 1);
  CLI::Option* const language = app.add_option("--lang");
  CLI::App* const help = app.add_subcommand("help")->allow_extras();
  std::map<std::string, std::unique_ptr<CommandLine>> lines;
  for (const Command& command : Commands()) {
    CLI::App* const sub = app.add_subcommand(command.name)->fallthrough();
    sub->set_help_flag();
    auto accepted = command.options;
    accepted.insert(accepted.end(), {{"db"}, {"home"}});
    lines[command.name] = std::make_unique<CommandLine>(*sub, accepted, command.arguments);
  }
  std::string problem;
  try {
    app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
  } catch (const CLI::ParseError& error) {
    // An argument that fits nowhere is named as typed; CLI11 says the rest.
    const auto extras = app.remaining();
    const std::string extra = extras.empty() ? "" : extras.front();
    problem = extras.empty()           ? error.what()
              : extra.starts_with("-") ? "unknown option '" + extra.substr(0, extra.find('=')) + "'"
                                       : "unexpected argument '" + extra + "'";
  }

  const auto chosen = app.get_subcommands();
  if (chosen.empty() || chosen.front() == help) {
    const auto unknown = app.remaining();
    const bool asked =
        !chosen.empty() ||
        (!unknown.empty() && (unknown.front() == "--help" || unknown.front() == "-h"));
    if (!asked && !unknown.empty()) {
      err << "tavexdata: unknown command '" << unknown.front() << "'\n";
    }
    PrintHelp(asked ? out : err);
    return asked ? kExitOk : kExitUsage;
  }
  const Command& command = *FindCommand(chosen.front()->get_name());
  const CommandLine& line = *lines.at(command.name);
  if (std::any_of(args.begin(), args.end(),
                  [](const std::string& arg) { return arg == "--help" || arg == "-h"; })) {
    out << "usage: tavexdata " << command.name << " " << command.usage << "\n  " << command.summary
        << "\n";
    return kExitOk;
  }
  try {
    if (!problem.empty()) throw UsageError(problem);
    if (line.Has("home")) {
      if (line.Value("home").empty()) throw UsageError("--home needs a folder");
      // Every path below the plug-in folder is built from TAVEX_HOME; a
      // relative one would silently follow the working folder.
      const std::string home = std::filesystem::absolute(line.Value("home")).lexically_normal();
      ::setenv("TAVEX_HOME", home.c_str(), 1);
    }
    if (language->count() > 0) {
      const long long number =
          ParseNumber("lang", language->results().front(), std::numeric_limits<std::int32_t>::min(),
                      std::numeric_limits<std::int32_t>::max());
      ::setenv(kLanguageVariable, std::to_string(number).c_str(), 1);
    }
    return command.run(line, out, err);
  } catch (const UsageError& error) {
    err << "tavexdata " << command.name << ": " << error.what() << "\n"
        << "usage: tavexdata " << command.name << " " << command.usage << "\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    err << "tavexdata " << command.name << ": " << error.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace tavex::cli
