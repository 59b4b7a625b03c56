#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli/Commands.h"
#include "framework/SettingsStore.h"
#include "support/CommandFixture.h"
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
}

INSTANTIATE_HOST_DATABASE_TEST(SettingsCommandTest);

}  // namespace
}  // namespace tavex::cli
