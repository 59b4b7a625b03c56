#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "support/CliRun.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/RemoteServer.h"
#include "support/ScopedHostConnection.h"

namespace tavex::test {

// A site for the command tests: a fresh host database on each backend and a
// plug-in folder with per-user settings of its own, and tavexdata commands
// run against them as a user types them.
class CommandTest : public HostDatabaseTest {
 protected:
  // `args` followed by the site's --db and --home.
  Invocation Run(const std::vector<std::string>& args) const {
    return RunAt(ConnectionName(), mHome.Path(), args);
  }
  // `args` followed by --db `db` and --home `home`.
  static Invocation RunAt(const std::string& db, const std::string& home,
                          std::vector<std::string> args) {
    args.insert(args.end(), {"--db", db, "--home", home});
    return Invocation(args);
  }
  // Runs `args` at the site and fails the test unless the command succeeds.
  void Must(const std::vector<std::string>& args) const {
    MustAt(ConnectionName(), mHome.Path(), args);
  }
  static void MustAt(const std::string& db, const std::string& home,
                     const std::vector<std::string>& args) {
    const Invocation run = RunAt(db, home, args);
    ASSERT_EQ(cli::kExitOk, run.code) << testing::PrintToString(args) << run.err.str();
  }
  // Gives the site `server`'s address and account and, in the plug-in
  // folder, its port.
  static void UseServer(const RemoteServer& server, const std::string& db,
                        const std::string& home) {
    MustAt(db, home,
           {"settings", "--set", "1001=127.0.0.1", "--set", "1002=" + server.User(), "--set",
            "1003=" + server.Password()});
    WriteFile(home + "/Octopus/MAIN.INI", "[FTP]\n" + server.OptionsLines());
  }
  void UseServer(const RemoteServer& server) const {
    UseServer(server, ConnectionName(), mHome.Path());
  }

  // The commands hand their host connection over; it is given back at the end.
  ScopedHostConnection mHostScope{nullptr};
  PluginHome mHome;
};

}  // namespace tavex::test
