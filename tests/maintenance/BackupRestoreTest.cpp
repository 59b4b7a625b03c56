#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/SampleDatabase.h"
#include "maintenance/BackupDefinitions.h"
#include "support/CliRun.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"

namespace tavex {
namespace {

using test::Invocation;

// Rows of `sql` in a fixed order, so two databases can be compared.
std::vector<std::string> SortedRows(db::Connection& connection, const std::string& sql) {
  std::vector<std::string> rows;
  std::istringstream dump(test::Dump(connection, sql));
  for (std::string line; std::getline(dump, line);) rows.push_back(line);
  std::sort(rows.begin(), rows.end());
  return rows;
}

// A sample host database, and a second one on the same backend holding only
// the schema, which backups are restored into.
class BackupRestore : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    cli::SampleOptions options;
    options.bills = 60;
    options.days = 5;
    cli::CreateSampleDatabase(Db(), options);
    mFreshName = test::CreateEmptyHostDatabase(GetParam(), Folder());
    mFresh = db::OpenConnection(mFreshName);
    for (const auto& statement : cli::SampleSchemaStatements(GetParam(), options)) {
      mFresh->Execute(statement);
    }
  }

  int Tavexdata(std::vector<std::string> args, const std::string& database) {
    args.insert(args.end(), {"--db", database});
    Invocation run(args);
    EXPECT_EQ(run.err.str(), "");
    return run.code;
  }

  std::string mFreshName;
  std::shared_ptr<db::Connection> mFresh;
};

constexpr const char* kBillsInRange =
    "BillID IN (SELECT BillID FROM bi_Bill WHERE BillDate>='2024-03-02' AND "
    "BillDate<'2024-03-04')";

struct RoundTripCase {
  const char* name;
  std::vector<std::string> args;
  // Each table with the condition that picks, in the sample, the rows the
  // backup carries ("" for all).
  std::vector<std::pair<std::string, std::string>> carried;
  std::vector<std::string> leftEmpty;  // tables of other choices
};

const RoundTripCase kRoundTrips[] = {
    {"business days, the last one included",
     {"business", "--from", "2024-03-02", "--to", "2024-03-03"},
     {{"bi_Bill", std::string(" WHERE ") + kBillsInRange},
      {"bi_BillPayment", std::string(" WHERE ") + kBillsInRange},
      {"bi_BillItem", std::string(" WHERE ") + kBillsInRange},
      {"bi_SubBill",
       std::string(" WHERE BillItemID IN (SELECT BillItemID FROM bi_BillItem WHERE ") +
           kBillsInRange + ")"}},
     {"st_Bill", "mb_MemberType"}},
    {"base data of group 6",
     {"base", "--groups", "6"},
     {{"mb_Gift", ""}, {"mb_MemberType", ""}},
     {"pv_User", "dd_Subject"}},
    {"stock master tables",
     {"stock", "--master"},
     {{"st_Location", ""},
      {"st_Department", ""},
      {"st_ItemType", ""},
      {"st_Item", ""},
      {"dd_SupplierType", ""},
      {"dd_Supplier", ""}},
     {"st_Bill", "st_ItemUnit"}},
};

TEST_P(BackupRestore, RestoringABackupGivesBackExactlyTheChosenRowsAndTwiceLeavesOneCopy) {
  for (const RoundTripCase& c : kRoundTrips) {
    SCOPED_TRACE(c.name);
    for (const auto& [table, condition] : c.carried) mFresh->Execute("DELETE FROM " + table);
    std::vector<std::string> args{"backup"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--out", Folder() / "backup.pkg"});
    ASSERT_EQ(Tavexdata(args, ConnectionName()), 0);
    for (int restore = 1; restore <= 2; ++restore) {
      ASSERT_EQ(Tavexdata({"restore", Folder() / "backup.pkg"}, mFreshName), 0);
      for (const auto& [table, condition] : c.carried) {
        const auto saved = SortedRows(*Db(), "SELECT * FROM " + table + condition);
        EXPECT_FALSE(saved.empty()) << table;
        EXPECT_EQ(SortedRows(*mFresh, "SELECT * FROM " + table), saved) << table << restore;
      }
      for (const auto& table : c.leftEmpty) {
        EXPECT_EQ(test::Number(*mFresh, "SELECT COUNT(*) FROM " + table), 0) << table;
      }
    }
  }
  // The range's last day was carried, the day after it was not.
  EXPECT_GT(test::Number(*mFresh, "SELECT COUNT(*) FROM bi_Bill WHERE BillDate>='2024-03-03'"), 0);
  EXPECT_GT(test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BillDate>='2024-03-04'"), 0);
}

TEST_P(BackupRestore, EveryBaseDataTableOfTheCatalogueIsBackedUp) {
  Invocation run({"backup", "base", "--db", ConnectionName(), "--out", Folder() / "base.pkg"});
  ASSERT_EQ(run.code, 0) << run.err.str();
  const std::string out = run.out.str();
  std::size_t copied = 0;
  for (auto at = out.find("成功复制："); at != std::string::npos;
       at = out.find("成功复制：", at + 1)) {
    ++copied;
  }
  EXPECT_EQ(copied, kBaseDataTables.size());
  EXPECT_NE(out.find("成功复制：2.24 菜品特价明细表 ，共 "), std::string::npos);
}

INSTANTIATE_HOST_DATABASE_TEST(BackupRestore);

// The definitions' statements as a Jet and as a SQL Server host takes them.
TEST(BackupDefinitions, DatesFollowTheHostAndAllBillsHaveNoCondition) {
  const BusinessBackupTexts texts = ReadBusinessBackupTexts();
  const DateRange range{std::chrono::year{2024} / 3 / 1, std::chrono::year{2024} / 3 / 6};
  EXPECT_EQ(DefineBusinessBackup(texts, range, "MSACCESS")->ExDatas().Item(1).Sql(),
            " SELECT * FROM bi_Bill  WHERE BillDate>= #2024-03-01# AND BillDate<#2024-03-06#");
  EXPECT_EQ(DefineBusinessBackup(texts, range, "SQLOLEDB")->ExDatas().Item(4).Sql(),
            " SELECT * FROM bi_SubBill  WHERE BillItemID IN (SELECT BI.BillItemID FROM bi_Bill AS "
            "BL, bi_BillItem AS BI  WHERE BL.BillID=BI.BillID  AND BL.BillDate>='2024-03-01' AND "
            "BL.BillDate<'2024-03-06') ");
  const auto all = DefineBusinessBackup(texts, std::nullopt, "MSACCESS");
  ASSERT_EQ(all->ExDatas().Count(), 4);
  for (std::int32_t i = 1; i <= 4; ++i) {
    EXPECT_EQ(all->ExDatas().Item(i).Sql().find("WHERE"), std::string::npos) << i;
  }
  EXPECT_EQ(all->PackageID(), "业务数据备份");
}

TEST(BackupCommand, WrongCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> lines = {
      {"backup", "--db", "sqlite:/x.db", "--out", "a.pkg"},
      {"backup", "weekly", "--db", "sqlite:/x.db", "--out", "a.pkg"},
      {"backup", "business", "--db", "sqlite:/x.db"},
      {"backup", "business", "--db", "sqlite:/x.db", "--out", "a.pkg", "--from", "2024-03-01"},
      {"backup", "business", "--db", "sqlite:/x.db", "--out", "a.pkg", "--from", "2024-02-30",
       "--to", "2024-03-01"},
      {"backup", "business", "--db", "sqlite:/x.db", "--out", "a.pkg", "--groups", "1"},
      {"backup", "base", "--db", "sqlite:/x.db", "--out", "a.pkg", "--groups", "1,8"},
      {"backup", "stock", "--db", "sqlite:/x.db", "--out", "a.pkg", "--master", "--documents"},
      {"backup", "stock", "--db", "sqlite:/x.db", "--out", "a.pkg", "--master", "--from",
       "2024-03-01", "--to", "2024-03-02"},
      {"restore", "--db", "sqlite:/x.db"},
      {"export-members", "--db", "sqlite:/x.db"},
  };
  for (const auto& line : lines) {
    Invocation run(line);
    EXPECT_EQ(run.code, 2) << line[1] << " " << run.err.str();
  }
}

}  // namespace
}  // namespace tavex
