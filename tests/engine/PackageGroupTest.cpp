#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Package.h"
#include "engine/PackageGroup.h"
#include "support/HostDatabase.h"
#include "support/PackageFiles.h"
#include "support/Rows.h"

namespace tavex::engine {
namespace {

using test::Dump;

// Head office on the backend under test and the bill packages of branches
// B01 and B02 (package files, each made by a branch database of its own),
// merged together as a group.
class PackageGroupRun : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    HostDatabaseTest::SetUp();
    CreateTables(*Db());
    Db()->Execute("INSERT INTO bi_Bill VALUES ('B01-1', 'old'), ('B02-1', 'old')");
    Db()->Execute(
        "INSERT INTO bi_BillPayment VALUES ('B01-1-P', 'B01-1', 1), ('B02-1-P', 'B02-1', 1)");
  }

  static void CreateTables(db::Connection& database) {
    database.Execute("CREATE TABLE bi_Bill (BillID TEXT, Remark TEXT)");
    database.Execute(
        "CREATE TABLE bi_BillPayment (BillPaymentID TEXT, BillID TEXT, PaySum INTEGER)");
  }

  // A package of branch `site` holding `bills` and `payments` (SQL value
  // lists), its payments replacing earlier copies by their own identifier.
  std::string MakePackage(const std::string& site, const std::string& bills,
                          const std::string& payments) {
    const std::string branchName = Folder() / (site + ".db");
    test::WriteFile(branchName, "");
    auto branch = db::OpenConnection("sqlite:" + branchName);
    CreateTables(*branch);
    branch->Execute("INSERT INTO bi_Bill VALUES " + bills);
    if (!payments.empty()) branch->Execute("INSERT INTO bi_BillPayment VALUES " + payments);
    const std::string path = Folder() / (site + "-" + std::to_string(++mMade) + ".mdb");
    test::WriteFile(path, "");
    Package package;
    package.PackageID(site);
    package.ExDatas()
        .Add("1. bills", "SELECT * FROM bi_Bill", "bi_Bill", false, false)
        .Statements()
        .Add("1.1", "DELETE FROM bi_Bill WHERE BillID='{BillID}'", 5, 0);
    package.ExDatas()
        .Add("2. payments", "SELECT * FROM bi_BillPayment", "bi_BillPayment", false, false)
        .Statements()
        .Add("2.1", "DELETE FROM bi_BillPayment WHERE BillPaymentID='{BillPaymentID}'", 5, 0);
    package.SourceConnection(branch);
    package.TargetConnection(db::OpenConnection(db::PackageConnectionString(path)));
    EXPECT_TRUE(package.Export(false, true, 1));
    return path;
  }

  // The scope of a receiver that trusts `site` with its own rows only, and
  // records the package in tavex_Taken.
  static ImportScope OwnRows(const std::string& site) {
    ImportScope scope;
    for (const char* table : {"bi_Bill", "bi_BillPayment"}) {
      scope.owned.push_back({table, "BillID", site + "-", true, {}});
    }
    scope.records.push_back({"INSERT INTO tavex_Taken VALUES (?, ?)",
                             {site},
                             [](db::Params& params, const ImportedRows& written) {
                               std::int64_t rows = 0;
                               for (const auto& [table, count] : written) rows += count;
                               params.emplace_back(rows);
                             }});
    return scope;
  }

  // OwnRows, with a guard that refuses a bill of another site: it stops the
  // staging of the package's rows, on the staging thread, after Stage has
  // returned.
  static ImportScope Guarded(const std::string& site) {
    ImportScope scope = OwnRows(site);
    scope.guards.push_back(
        {"bi_Bill", "BillID LIKE '" + site + "-%'", {}, "not its own: ", "BillID", {}});
    return scope;
  }

  Package::Staging Stage(PackageGroup& group, Package& package, const std::string& path,
                         ImportScope scope) {
    package.SourceConnection(db::OpenConnection(db::PackageConnectionString(path)));
    package.TargetConnection(Db());
    package.Scope(std::move(scope));
    return package.StageInto(group);
  }

  std::string Everything() {
    return Dump(*Db(), "SELECT BillID, Remark FROM bi_Bill ORDER BY 1") +
           Dump(*Db(), "SELECT BillPaymentID, BillID FROM bi_BillPayment ORDER BY 1");
  }

  int mMade = 0;
};

TEST_P(PackageGroupRun, MergesLikeOneByOneAndHoldsEveryDeleteToItsOwnSender) {
  Db()->Execute("CREATE TABLE tavex_Taken (Site TEXT, RowsWritten INTEGER)");
  // B02's payment claims B01's payment identifier: its delete may only
  // touch B02's rows, so B01's payment stays.
  const std::string b01 =
      MakePackage("B01", "('B01-1', 'new'), ('B01-2', 'new')", "('B01-2-P', 'B01-2', 2)");
  const std::string b02 = MakePackage("B02", "('B02-1', 'new')", "('B01-1-P', 'B02-1', 3)");
  PackageGroup group(Db(), Folder() / "Group.db");
  Package first;
  Package second;
  ASSERT_EQ(Package::Staging::Staged, Stage(group, first, b01, OwnRows("B01")));
  ASSERT_EQ(Package::Staging::Staged, Stage(group, second, b02, OwnRows("B02")));
  EXPECT_EQ(std::vector<std::string>(2), group.FinishStaging());
  EXPECT_EQ("B01-1|old\nB02-1|old\n", Dump(*Db(), "SELECT BillID, Remark FROM bi_Bill ORDER BY 1"))
      << "staging merges nothing";
  ASSERT_TRUE(group.Merge()) << group.Errors().Item(1).Description();
  EXPECT_EQ(
      "B01-1|new\nB01-2|new\nB02-1|new\n"
      "B01-1-P|B01-1\nB01-1-P|B02-1\nB01-2-P|B01-2\nB02-1-P|B02-1\n",
      Everything());
  EXPECT_EQ("B01|3\nB02|2\n", Dump(*Db(), "SELECT Site, RowsWritten FROM tavex_Taken ORDER BY 1"));
}

TEST_P(PackageGroupRun, APackageWhoseRowsCannotBeStagedIsLeftOutAndTheOthersMerge) {
  Db()->Execute("CREATE TABLE tavex_Taken (Site TEXT, RowsWritten INTEGER)");
  const std::string b01 = MakePackage("B01", "('B01-1', 'new')", "('B01-1-P', 'B01-1', 2)");
  const std::string b02 =
      MakePackage("B02", "('B02-1', 'new'), ('B01-7', 'stolen')", "('B02-1-P', 'B02-1', 3)");
  const std::string b03 = MakePackage("B03", "('B03-1', 'new')", "");
  PackageGroup group(Db(), Folder() / "Group.db");
  Package first;
  Package second;
  Package third;
  ASSERT_EQ(Package::Staging::Staged, Stage(group, first, b01, OwnRows("B01")));
  ASSERT_EQ(Package::Staging::Staged, Stage(group, second, b02, Guarded("B02")));
  ASSERT_EQ(Package::Staging::Staged, Stage(group, third, b03, OwnRows("B03")));
  const std::vector<std::string> failures = group.FinishStaging();
  ASSERT_EQ(3u, failures.size());
  EXPECT_EQ("", failures[0]);
  EXPECT_NE(std::string::npos, failures[1].find("not its own: B01-7")) << failures[1];
  EXPECT_EQ("", failures[2]);
  ASSERT_TRUE(group.Merge()) << group.Errors().Item(1).Description();
  // None of B02's rows, not even its own bill, and no record of it.
  EXPECT_EQ(
      "B01-1|new\nB02-1|old\nB03-1|new\n"
      "B01-1-P|B01-1\nB02-1-P|B02-1\n",
      Everything());
  EXPECT_EQ("B01|2\nB03|1\n", Dump(*Db(), "SELECT Site, RowsWritten FROM tavex_Taken ORDER BY 1"));
  EXPECT_EQ(std::vector<std::string>(), group.FinishStaging()) << "the group is empty again";
}

TEST_P(PackageGroupRun, AGroupWhoseRecordFailsIsNotMergedAndAGroupOfNoneStagedMergesNothing) {
  const std::string before = Everything();
  PackageGroup group(Db(), Folder() / "Group.db");
  Package first;
  ASSERT_EQ(Package::Staging::Staged,
            Stage(group, first, MakePackage("B01", "('B01-1', 'new')", ""), OwnRows("B01")));
  // tavex_Taken does not exist: B01's record fails, and with it the group,
  // as a failure of the receiver, not of the package.
  EXPECT_FALSE(group.Merge());
  EXPECT_EQ(kErrLocal, group.Errors().Item(1).Number());
  EXPECT_EQ(before, Everything());
  EXPECT_EQ(std::vector<std::string>(), group.FinishStaging());

  Package second;
  ASSERT_EQ(Package::Staging::Staged,
            Stage(group, second, MakePackage("B02", "('B01-7', 'stolen')", ""), Guarded("B02")));
  EXPECT_TRUE(group.Merge());
  EXPECT_EQ(before, Everything());
}

TEST_P(PackageGroupRun, APackageOfOtherStepsOrAPartialScopeDoesNotFit) {
  const std::string b01 = MakePackage("B01", "('B01-1', 'new')", "");
  PackageGroup group(Db(), Folder() / "Group.db");
  Package first;
  ASSERT_EQ(Package::Staging::Staged, Stage(group, first, b01, OwnRows("B01")));
  ImportScope partial = OwnRows("B02");
  partial.skipStep = [](const std::string&) { return false; };
  Package second;
  EXPECT_EQ(Package::Staging::DoesNotFit,
            Stage(group, second, MakePackage("B02", "('B02-1', 'new')", ""), partial));
  // A package of fewer columns (an older sender).
  const std::string branch = Folder() / "B03.db";
  test::WriteFile(branch, "");
  auto older = db::OpenConnection("sqlite:" + branch);
  CreateTables(*older);
  older->Execute("INSERT INTO bi_Bill VALUES ('B03-1', 'new')");
  const std::string path = Folder() / "B03.mdb";
  test::WriteFile(path, "");
  Package sender;
  sender.ExDatas().Add("1. bills", "SELECT BillID FROM bi_Bill", "bi_Bill", false, false);
  sender.ExDatas().Add("2. payments", "SELECT * FROM bi_BillPayment", "bi_BillPayment", false,
                       false);
  sender.SourceConnection(older);
  sender.TargetConnection(db::OpenConnection(db::PackageConnectionString(path)));
  ASSERT_TRUE(sender.Export(false, true, 1));
  Package third;
  EXPECT_EQ(Package::Staging::DoesNotFit, Stage(group, third, path, OwnRows("B03")))
      << third.Errors().Item(1).Description();
  EXPECT_EQ(std::vector<std::string>(1), group.FinishStaging());
}

INSTANTIATE_TEST_SUITE_P(, PackageGroupRun,
                         ::testing::Values(db::Backend::Sqlite, db::Backend::Postgres),
                         test::BackendName);

}  // namespace
}  // namespace tavex::engine
