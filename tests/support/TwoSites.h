#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "support/CliRun.h"
#include "support/HostDatabase.h"
#include "support/RemoteServer.h"
#include "support/ScopedHostConnection.h"
#include "support/TempDir.h"

namespace tavex::test {

// A branch (SQLite, sample data of B01: 30 bills over two days) and head
// office (the backend under test, a sample of its own) exchanging through a
// file server, each with its own plug-in folder, driven through tavexdata as
// a user or the nightly runs would.
class TwoSitesTest : public HostDatabaseTest {
 protected:
  // Makes both sites for `server`, and the server's `folders`.
  void SetUpSites(const RemoteServer& server, const std::vector<std::string>& folders) {
    for (const auto& home : {&mBranchHome, &mHqHome}) {
      WriteFile(*home / "Octopus/MAIN.INI", "[FTP]\n" + server.OptionsLines());
    }
    for (const std::string& folder : folders) server.MakeFolder(folder);
    Run({"sample-db", "--db", Branch(), "--bills", "30", "--days", "2"});
    Run({"sample-db", "--db", ConnectionName(), "--branch", "HQ", "--bills", "5", "--days", "1"});
    for (const std::string& db : {Branch(), ConnectionName()}) {
      Run({"settings", "--db", db, "--set", "1001=" + server.Host(), "--set",
           "1002=" + server.User(), "--set", "1003=" + server.Password()});
    }
  }

  std::string Branch() const { return "sqlite:" + (mBranchDir / "branch.db"); }
  // tavexdata `command` (upload, download, relay) at the branch, at head office.
  Invocation AtBranch(const std::string& command) const {
    return Invocation({command, "--db", Branch(), "--home", mBranchHome.Path()});
  }
  Invocation AtHq(const std::string& command) const {
    return Invocation({command, "--db", ConnectionName(), "--home", mHqHome.Path()});
  }
  static void Run(const std::vector<std::string>& args) {
    Invocation run(args);
    ASSERT_EQ(cli::kExitOk, run.code) << args[0] << "\n" << run.out.str() << run.err.str();
  }

  // The runs hand their host connection over; it is given back at the end.
  ScopedHostConnection mHostScope{nullptr};
  TempDir mBranchDir;
  TempDir mBranchHome;
  TempDir mHqHome;
  TempDir mConfig;
  ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
};

}  // namespace tavex::test
