#include <gtest/gtest.h>

#include <filesystem>

#include "cli/Commands.h"
#include "entry/ActionNames.h"
#include "framework/SettingsStore.h"
#include "i18n/Messages.h"
#include "support/CommandFixture.h"
#include "support/Rows.h"

namespace tavex::cli {
namespace {

using test::Invocation;
using Args = std::vector<std::string>;

std::string Usage(const Command& command) {
  return "usage: tavexdata " + command.name + " " + command.usage + "\n";
}

class CommandLineTest : public testing::Test {
 protected:
  std::string Db() const { return "sqlite:" + (mHome / "host.db"); }
  test::PluginHome mHome;
};

// Bad usage: exit 2, nothing on the output, what is wrong and the usage of
// the command (or the command list) on the error stream, and nothing done.
TEST_F(CommandLineTest, WrongCommandLinesAreUsageErrors) {
  const std::string db = Db();
  const std::string key = "ed25519:AQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQE=";
  const std::string what = "tavexdata keys: say what to do: init, show, trust, revoke, allow-";
  const struct {
    Args args;
    std::string err;  // where the error stream starts
  } cases[] = {
      {{}, "usage: tavexdata [--lang N] COMMAND"},
      {{"nonsense", "--help"}, "tavexdata: unknown command 'nonsense'\nusage: tavexdata [--lang"},
      {{"--db", db}, "tavexdata: unknown command '--db'\n"},
      {{"sample-db"}, "tavexdata sample-db: --db CONN is required\nusage: tavexdata sample-db"},
      {{"sample-db", "--db", ""}, "tavexdata sample-db: --db CONN is required\n"},
      {{"sample-db", "--db", "sqlite:"}, "tavexdata sample-db: --db sqlite: needs a file path\n"},
      {{"sample-db", "--db", db, "--bills", "many"}, "tavexdata sample-db: option '--bills'"},
      {{"sample-db", "--db", db, "--bills", "10000001"}, "tavexdata sample-db: option '--bills'"},
      {{"sample-db", "--db", db, "--days", "0"}, "tavexdata sample-db: option '--days' needs"},
      {{"sample-db", "--db", db, "--days", "0x10"}, "tavexdata sample-db: option '--days' needs"},
      {{"sample-db", "--db", db, "--days", " 3"}, "tavexdata sample-db: option '--days' needs"},
      {{"sample-db", "--db", db, "--days", "1.5"}, "tavexdata sample-db: option '--days' needs"},
      {{"sample-db", "--db", db, "--branch", "B'1"}, "tavexdata sample-db: --branch needs"},
      {{"sample-db", "--db", db, "--colour=red"}, "tavexdata sample-db: unknown option '--colour'"},
      {{"sample-db", "-d", db}, "tavexdata sample-db: unknown option '-d'\n"},
      {{"sample-db", "--db", db, "stray"}, "tavexdata sample-db: unexpected argument 'stray'\n"},
      {{"sample-db", "--db"}, "tavexdata sample-db: "},
      {{"sample-db", "--db", db, "--db", db}, "tavexdata sample-db: "},
      {{"settings", "--db", db, "--list=1"}, "tavexdata settings: "},
      {{"settings", "--db", db, "--list", "--list"}, "tavexdata settings: "},
      {{"settings", "--db", db, "--set", "801"}, "tavexdata settings: --set needs ID=VALUE"},
      {{"settings", "--db", db, "--set", "x=1"}, "tavexdata settings: --set needs ID=VALUE"},
      {{"settings", "--db", db, "--set", "99999999999=1"}, "tavexdata settings: --set needs"},
      {{"action", "--db", db}, "tavexdata action: an action NAME is required\n"},
      {{"action", "DoFTP", "DoRestore", "--db", db}, "tavexdata action: "},
      {{"action", "DoFTP"}, "tavexdata action: --db CONN is required\n"},
      {{"status", "--db", db, "--home", ""}, "tavexdata status: --home needs a folder\n"},
      {{"--lang", "english", "status", "--db", db}, "tavexdata status: option '--lang' needs"},
      {{"--lang", "4294967296", "status", "--db", db}, "tavexdata status: option '--lang'"},
      {{"--lang", "3", "status", "--lang", "3", "--db", db}, "tavexdata status: "},
      {{"status", "--db", db, "--lang"}, "tavexdata status: "},
      {{"reports", "--db", db, "--from", "2024-02-30", "--to", "2024-03-01"},
       "tavexdata reports: "},
      {{"reports", "--db", db, "--stock-from", "2024-3-01"}, "tavexdata reports: option"},
      {{"reports", "--db", db, "--to", "20240301"}, "tavexdata reports: option '--to' needs a"},
      {{"reports", "--db", db, "--from", "2024-03-02", "--to", "2024-03-01"},
       "tavexdata reports: "},
      {{"reports", "--db", db, "--stock-from", "2024-03-02", "--stock-to", "2024-03-01"}, "tav"},
      {{"reports", "--db", db, "--to", "2024-03-01"}, "tavexdata reports: --from (yesterday) is"},
      {{"reports", "--db", db, "--with-bills", "--inventory"}, "tavexdata reports: --with-bills"},
      {{"keys"}, what},
      {{"keys", "--db", db}, what},
      {{"keys", "forget", "B01", "--db", db}, what},
      {{"keys", "init", "B01", "--home", mHome.Path()}, "tavexdata keys: keys init takes no"},
      {{"keys", "list", "B01", "--db", db}, "tavexdata keys: keys list takes no arguments\n"},
      {{"keys", "trust", "B01", "--db", db}, "tavexdata keys: keys trust takes SITE and KEY\n"},
      {{"keys", "trust", key, "--db", db}, "tavexdata keys: keys trust takes SITE and KEY\n"},
      {{"keys", "trust", "B01", key.substr(0, 50), "--db", db}, "tavexdata keys: 'ed25519:"},
      {{"keys", "trust", "", key, "--db", db}, "tavexdata keys: '' is not a site identifier\n"},
      {{"keys", "trust", "B 01", key, "--db", db}, "tavexdata keys: 'B 01' is not a site"},
      {{"keys", "trust", "B01", key}, "tavexdata keys: --db CONN is required\n"},
      {{"keys", "revoke", "--db", db}, "tavexdata keys: keys revoke takes SITE\n"},
      {{"keys", "revoke", "B01", "B02", "--db", db}, "tavexdata keys: keys revoke takes SITE\n"},
      {{"keys", "allow-unsigned", "--db", db}, "tavexdata keys: keys allow-unsigned takes SITE\n"},
  };
  for (const auto& c : cases) {
    Invocation run(c.args);
    EXPECT_EQ(kExitUsage, run.code) << testing::PrintToString(c.args);
    EXPECT_EQ("", run.out.str()) << testing::PrintToString(c.args);
    const std::string err = run.err.str();
    EXPECT_EQ(0u, err.find(c.err)) << testing::PrintToString(c.args) << "\n" << err;
    // A command's usage error ends with its usage.
    for (const Command& command : Commands()) {
      if (!c.args.empty() && c.args[0] == command.name) {
        EXPECT_TRUE(err.ends_with(Usage(command))) << err;
      }
    }
  }
  EXPECT_FALSE(std::filesystem::exists(mHome / "host.db"));
  EXPECT_FALSE(std::filesystem::exists(mHome / "Octopus"));
}

// --help at the top or on any command, wherever it stands and whatever else
// is given: exit 0, the help on the output.
TEST_F(CommandLineTest, HelpGoesToTheOutputFromTheTopAndEveryCommand) {
  for (const Args& args : {Args{"help"}, Args{"--help"}, Args{"-h"}, Args{"--lang", "3", "-h"}}) {
    Invocation help(args);
    EXPECT_EQ(kExitOk, help.code) << testing::PrintToString(args);
    EXPECT_EQ(0u, help.out.str().find("usage: tavexdata [--lang N] COMMAND")) << help.out.str();
    for (const Command& command : Commands()) {
      EXPECT_NE(std::string::npos, help.out.str().find("\n  " + command.name + " " + command.usage +
                                                       "\n      " + command.summary + "\n"));
    }
  }
  for (const Command& command : Commands()) {
    const std::string expected = Usage(command) + "  " + command.summary + "\n";
    for (const Args& args :
         {Args{command.name, "--help"}, Args{"--lang", "3", command.name, "-h"},
          Args{command.name, "--db", "--help"}, Args{command.name, "--colour", "x", "--help"}}) {
      Invocation help(args);
      EXPECT_EQ(kExitOk, help.code) << testing::PrintToString(args);
      EXPECT_EQ(expected, help.out.str()) << testing::PrintToString(args);
    }
  }
  // The actions a host may run, every one of them.
  const std::string actions = Invocation({"action", "--help"}).out.str();
  for (const std::string_view action : kActionNames) {
    EXPECT_NE(std::string::npos, actions.find(action)) << action;
  }
}

// --lang before or after the command chooses the language file of the run's
// lines; without it the user's setting holds.
TEST_F(CommandLineTest, LangBeforeOrAfterTheCommandChoosesTheLanguageOfTheLines) {
  ASSERT_EQ(kExitOk, Invocation({"sample-db", "--db", Db(), "--bills", "1"}).code);
  for (const auto& [extension, site] : {std::pair{".eng", "Site: "}, std::pair{".big", "站點："}}) {
    test::WriteFile(mHome / (std::string("Languages/tavExDataApp") + extension),
                    std::string("<Language><tavExDataApp><cStatus><Msg_Status_Site Default=\"") +
                        site + "\"/></cStatus></tavExDataApp></Language>");
  }
  test::WriteFile(mHome / "config/Tavolo/Tavolo.ini", "[Language]\nLanguage=2\n");
  const struct {
    Args args;
    std::string line;
  } cases[] = {
      {{"--lang", "3", "status"}, "\nSite: "},
      {{"--lang=3", "status"}, "\nSite: "},
      {{"status", "--lang=3"}, "\nSite: "},
      {{"status", "--lang", "3"}, "\nSite: "},
      {{"status"}, "\n站點："},
      {{"--lang", "0", "status"}, "\n站点："},
  };
  for (const auto& c : cases) {
    test::ScopedEnv chosen(kLanguageVariable, "");
    Args args = c.args;
    args.insert(args.end(), {"--db", Db(), "--home", mHome.Path()});
    Invocation run(args);
    // status itself exits 1 for the sample's old, unsent bills.
    EXPECT_EQ(kExitFailed, run.code) << testing::PrintToString(c.args) << run.err.str();
    EXPECT_NE(std::string::npos, ("\n" + run.out.str()).find(c.line)) << run.out.str();
  }
}

TEST_F(CommandLineTest, SampleDbLeavesNoFileBehindWhenItFails) {
  // The folder does not exist, so the database cannot be made.
  EXPECT_EQ(kExitFailed, Invocation({"sample-db", "--db", "sqlite:" + (mHome / "no/h.db")}).code);
  EXPECT_FALSE(std::filesystem::exists(mHome / "no"));
}

TEST_F(CommandLineTest, SqlitePathsAreTakenRelativeToTheWorkingFolder) {
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(mHome.Path());
  const int code = Invocation({"sample-db", "--db", "sqlite:rel.db", "--bills", "1"}).code;
  std::filesystem::current_path(old);
  EXPECT_EQ(kExitOk, code);
  EXPECT_TRUE(std::filesystem::exists(mHome / "rel.db"));
}

class SettingsCommandTest : public test::CommandTest {
 protected:
  Invocation Settings(std::vector<std::string> args) const {
    args.insert(args.begin(), "settings");
    return Run(args);
  }
};

// Settings are written, then listed as stored, except that a listing (which
// ends up in terminals and logs) says whether a password is set, never what
// it is.
TEST_P(SettingsCommandTest, SetsThenListsEverySettingButNoPassword) {
  Invocation fresh = Settings({"--list"});
  EXPECT_EQ(kExitOk, fresh.code) << fresh.err.str();
  EXPECT_EQ("", fresh.out.str());
  Invocation set =
      Settings({"--set", "1001=ftp.example.net", "--set", "801=B01", "--set=1003=p=w", "--set",
                "1004=21", "--set", "2001=tavlink-shop", "--set", "2002=ddns secret"});
  ASSERT_EQ(kExitOk, set.code) << set.err.str();
  EXPECT_EQ("", set.out.str());
  Invocation list = Settings({"--set", "802=", "--list"});
  ASSERT_EQ(kExitOk, list.code) << list.err.str();
  EXPECT_EQ(
      "801=B01\n802=\n1001=ftp.example.net\n1003=********\n1004=21\n2001=tavlink-shop\n"
      "2002=********\n",
      list.out.str());
  EXPECT_EQ(list.out.str(), Settings({}).out.str());
  EXPECT_EQ("p=w", SettingsStore(Db()).GetSetting(1003));
  EXPECT_EQ("ddns secret", SettingsStore(Db()).GetSetting(2002));
  Invocation cleared = Settings({"--set", "1003=", "--set", "2002=", "--list"});
  EXPECT_EQ("801=B01\n802=\n1001=ftp.example.net\n1003=\n1004=21\n2001=tavlink-shop\n2002=\n",
            cleared.out.str());
}

TEST_P(SettingsCommandTest, ABadAssignmentWritesNothing) {
  EXPECT_EQ(kExitUsage, Settings({"--set", "801=B01", "--set", "oops"}).code);
  EXPECT_EQ("", SettingsStore(Db()).GetSetting(801));
}

TEST_P(SettingsCommandTest, SampleDbFillsAnExistingDatabase) {
  // Numbers are decimal: "010" is ten.
  Invocation run = Run({"sample-db", "--bills", "010", "--no-octopus", "--days", "2", "--branch",
                        "B07", "--seed", "3"});
  ASSERT_EQ(kExitOk, run.code) << run.err.str();
  EXPECT_NE(std::string::npos, run.out.str().find("bi_Bill                     10\n"))
      << run.out.str();
  EXPECT_EQ(std::string::npos, run.out.str().find("bi_OctopusPayment"));
  EXPECT_EQ(10, test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BranchID='B07'"));
  EXPECT_EQ("801=B07\n802=" + std::string("分店 B07") + "\n", Settings({}).out.str());
  // A database that holds the schema already is refused and left as it is.
  Invocation again = Run({"sample-db", "--bills", "9"});
  EXPECT_EQ(kExitFailed, again.code);
  EXPECT_EQ(0u, again.err.str().find("tavexdata sample-db: ")) << again.err.str();
  EXPECT_EQ(10, test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill"));
}

INSTANTIATE_HOST_DATABASE_TEST(SettingsCommandTest);

}  // namespace
}  // namespace tavex::cli
