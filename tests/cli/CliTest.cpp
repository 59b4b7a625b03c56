#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/Commands.h"
#include "framework/SettingsStore.h"
#include "i18n/Messages.h"
#include "support/CliRun.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/Rows.h"
#include "support/TempDir.h"

namespace tavex::cli {
namespace {

using test::Invocation;

class CliTest : public testing::Test {
 protected:
  std::string SqliteName(const std::string& file) { return "sqlite:" + (mFolder / file); }

  test::TempDir mFolder;
};

TEST_F(CliTest, SampleDbRefusesADatabaseThatAlreadyHoldsTheSchema) {
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", SqliteName("host.db"), "--bills", "5"}).code);
  const std::string before = test::ReadFile(mFolder / "host.db");
  Invocation again({"sample-db", "--db", SqliteName("host.db"), "--bills", "9"});
  EXPECT_EQ(kExitFailed, again.code);
  EXPECT_NE(std::string::npos, again.err.str().find("tavexdata sample-db: ")) << again.err.str();
  EXPECT_EQ(before, test::ReadFile(mFolder / "host.db"));
}

TEST_F(CliTest, SampleDbLeavesNoFileBehindWhenItFails) {
  // The folder does not exist, so the database cannot be made.
  Invocation run({"sample-db", "--db", SqliteName("missing/host.db")});
  EXPECT_EQ(kExitFailed, run.code);
  EXPECT_FALSE(std::filesystem::exists(mFolder / "missing"));
}

TEST_F(CliTest, SqlitePathsAreTakenRelativeToTheWorkingFolder) {
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(mFolder.Path());
  const int code = Invocation({"sample-db", "--db", "sqlite:rel.db", "--bills", "1"}).code;
  std::filesystem::current_path(old);
  EXPECT_EQ(kExitOk, code);
  EXPECT_TRUE(std::filesystem::exists(mFolder / "rel.db"));
}

// --lang before or after the command chooses the language file of the run's
// lines; without it the user's setting holds.
TEST_F(CliTest, LangChoosesTheLanguageOfTheRunsLines) {
  test::PluginHome home;
  const std::string db = SqliteName("host.db");
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", db, "--bills", "1"}).code);
  for (const auto& [extension, site] : {std::pair{".eng", "Site: "}, std::pair{".big", "站點："}}) {
    test::WriteFile(home / (std::string("Languages/tavExDataApp") + extension),
                    std::string("<Language><tavExDataApp><cStatus><Msg_Status_Site Default=\"") +
                        site + "\"/></cStatus></tavExDataApp></Language>");
  }
  test::WriteFile(home / "config/Tavolo/Tavolo.ini", "[Language]\nLanguage=2\n");
  const std::vector<std::string> common = {"--db", db, "--home", home.Path()};
  const struct {
    std::vector<std::string> args;
    bool usageError;
    std::string line;
  } cases[] = {
      {{"--lang", "3", "status"}, false, "\nSite: "},
      {{"status", "--lang=3"}, false, "\nSite: "},
      {{"status"}, false, "\n站點："},
      {{"--lang", "0", "status"}, false, "\n站点："},
      {{"--lang", "english", "status"}, true, ""},
      {{"status", "--lang"}, true, ""},
  };
  for (const auto& c : cases) {
    test::ScopedEnv chosen(kLanguageVariable, "");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), common.begin(), common.end());
    Invocation run(args);
    // status itself exits 1 for the sample's old, unsent bills.
    EXPECT_EQ(c.usageError, run.code == kExitUsage) << testing::PrintToString(c.args);
    EXPECT_NE(std::string::npos, ("\n" + run.out.str()).find(c.line)) << run.out.str();
  }
}

TEST_F(CliTest, WrongCommandLinesGiveUsageErrors) {
  const std::string db = SqliteName("x.db");
  for (const auto& args :
       std::vector<std::vector<std::string>>{{},
                                             {"nonsense"},
                                             {"sample-db"},
                                             {"sample-db", "--db", ""},
                                             {"sample-db", "--db", db, "--bills", "many"},
                                             {"sample-db", "--db", db, "--days", "0"},
                                             {"sample-db", "--db", db, "--branch", "B'1"},
                                             {"sample-db", "--db", db, "--colour", "red"},
                                             {"sample-db", "-d", db},
                                             {"sample-db", "--db"},
                                             {"sample-db", "--db", db, "--db", db},
                                             {"sample-db", "--db", db, "stray"},
                                             {"settings", "--db", db, "--set", "801"},
                                             {"settings", "--db", db, "--set", "x=1"},
                                             {"settings", "--db", db, "--set", "99999999999=1"},
                                             {"settings", "--db", db, "--list=1"}}) {
    Invocation run(args);
    EXPECT_EQ(kExitUsage, run.code) << testing::PrintToString(args);
    EXPECT_FALSE(run.err.str().empty());
  }
  EXPECT_FALSE(std::filesystem::exists(mFolder / "x.db"));
  Invocation help({"help"});
  EXPECT_EQ(kExitOk, help.code);
  EXPECT_NE(std::string::npos, help.out.str().find("sample-db"));
  EXPECT_NE(std::string::npos, help.out.str().find("settings"));
  // The actions a host may run, every one of them.
  const std::string actions = Invocation({"action", "--help"}).out.str();
  for (const char* action :
       {"DoDDDelete", "DoDDBackup", "DoStDelete", "DoStBackup", "DoDelete", "DoBackup", "DoRestore",
        "DoUpload", "DoDownload", "DoMemberSyn", "DoExport", "DoFTP"}) {
    EXPECT_NE(std::string::npos, actions.find(action)) << action;
  }
  // Every command answers --help on standard output, whatever else is given.
  for (const cli::Command& command : cli::Commands()) {
    Invocation commandHelp({command.name, "--db", "", "--help"});
    EXPECT_EQ(kExitOk, commandHelp.code) << command.name;
    EXPECT_EQ(
        "usage: tavexdata " + command.name + " " + command.usage + "\n  " + command.summary + "\n",
        commandHelp.out.str());
  }
}

TEST_F(CliTest, ActionNeedsOneNameAndActionAndSettingsAnExistingDatabase) {
  const std::string db = SqliteName("x.db");
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"action", "--db", db},
                                             {"action", "DoFTP", "DoRestore", "--db", db},
                                             {"action", "DoFTP"}}) {
    Invocation run(args);
    EXPECT_EQ(kExitUsage, run.code) << testing::PrintToString(args);
  }
  EXPECT_EQ(kExitFailed, Invocation({"action", "DoFTP", "--db", db}).code);
  EXPECT_EQ(kExitFailed, Invocation({"settings", "--db", db, "--set", "801=B01"}).code);
  EXPECT_FALSE(std::filesystem::exists(mFolder / "x.db"));
}

TEST_F(CliTest, HomeSetsThePluginFolder) {
  test::ScopedEnv restore("TAVEX_HOME", "/elsewhere");
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", SqliteName("h.db"), "--bills", "1", "--home",
                                 mFolder.Path()})
                         .code);
  EXPECT_EQ(mFolder.Path(), std::getenv("TAVEX_HOME"));
}

class SettingsCommandTest : public test::HostDatabaseTest {
 protected:
  Invocation Settings(std::vector<std::string> args) {
    args.insert(args.begin(), {"settings", "--db", ConnectionName()});
    return Invocation(args);
  }
};

TEST_P(SettingsCommandTest, SetsThenListsEveryStoredSetting) {
  Invocation fresh = Settings({"--list"});
  EXPECT_EQ(kExitOk, fresh.code) << fresh.err.str();
  EXPECT_EQ("", fresh.out.str());
  Invocation set =
      Settings({"--set", "1001=ftp.example.net", "--set", "801=B01", "--set", "1003=p=w"});
  ASSERT_EQ(kExitOk, set.code) << set.err.str();
  EXPECT_EQ("", set.out.str());
  Invocation list = Settings({"--set", "802=", "--list"});
  ASSERT_EQ(kExitOk, list.code) << list.err.str();
  EXPECT_EQ("801=B01\n802=\n1001=ftp.example.net\n1003=********\n", list.out.str());
  EXPECT_EQ(list.out.str(), Settings({}).out.str());
  EXPECT_EQ("p=w", SettingsStore(Db()).GetSetting(1003));
}

// A listing ends up in terminals and logs: it says whether a password is
// set, never what it is; every other setting shows as stored.
TEST_P(SettingsCommandTest, AListingShowsWhetherAPasswordIsSetButNeverThePassword) {
  ASSERT_EQ(kExitOk,
            Settings({"--set", "1002=shop", "--set", "1003=ftp secret", "--set",
                      "2001=tavlink-shop", "--set", "2002=ddns secret", "--set", "1004=21"})
                .code);
  Invocation set = Settings({"--list"});
  EXPECT_EQ("1002=shop\n1003=********\n1004=21\n2001=tavlink-shop\n2002=********\n", set.out.str());
  EXPECT_EQ(std::string::npos, set.out.str().find("secret")) << set.out.str();
  EXPECT_EQ("ddns secret", SettingsStore(Db()).GetSetting(2002));

  Invocation cleared = Settings({"--set", "1003=", "--set", "2002=", "--list"});
  EXPECT_EQ("1002=shop\n1003=\n1004=21\n2001=tavlink-shop\n2002=\n", cleared.out.str());
}

TEST_P(SettingsCommandTest, ABadAssignmentWritesNothing) {
  EXPECT_EQ(kExitUsage, Settings({"--set", "801=B01", "--set", "oops"}).code);
  EXPECT_EQ("", SettingsStore(Db()).GetSetting(801));
}

TEST_P(SettingsCommandTest, SampleDbFillsAnExistingDatabase) {
  Invocation run({"sample-db", "--db", ConnectionName(), "--bills", "10", "--no-octopus", "--days",
                  "2", "--branch", "B07", "--seed", "3"});
  ASSERT_EQ(kExitOk, run.code) << run.err.str();
  EXPECT_NE(std::string::npos, run.out.str().find("bi_Bill                     10\n"))
      << run.out.str();
  EXPECT_EQ(std::string::npos, run.out.str().find("bi_OctopusPayment"));
  EXPECT_EQ(10, test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BranchID='B07'"));
  EXPECT_EQ("801=B07\n802=" + std::string("分店 B07") + "\n", Settings({}).out.str());
}

INSTANTIATE_HOST_DATABASE_TEST(SettingsCommandTest);

}  // namespace
}  // namespace tavex::cli
