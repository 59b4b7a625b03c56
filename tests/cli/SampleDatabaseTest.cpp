#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <set>

#include "cli/SampleDatabase.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"
#include "support/TempDir.h"

namespace tavex::cli {
namespace {

class SampleDatabaseTest : public test::HostDatabaseTest {
 protected:
  SampleOptions Small() {
    SampleOptions options;
    options.bills = 120;
    options.days = 4;
    options.seed = 5;
    return options;
  }

  std::int64_t Count(const std::string& sql) { return test::Number(*Db(), sql); }
  std::set<std::string> Column(const std::string& sql) { return test::FirstColumn(*Db(), sql); }
  bool TableExists(const std::string& table) { return test::HasTable(*Db(), table); }
};

TEST_P(SampleDatabaseTest, BillsAndTheirDetailsHangTogether) {
  CreateSampleDatabase(Db(), Small());
  // Every child row names a parent that exists: {child table, key, parent table}.
  for (const auto& [child, key, parent] : std::vector<std::array<const char*, 3>>{
           {"bi_BillItem", "BillID", "bi_Bill"},
           {"bi_BillPayment", "BillID", "bi_Bill"},
           {"bi_SubBill", "BillItemID", "bi_BillItem"},
           {"bi_OctopusPayment", "BillID", "bi_Bill"},
           {"bi_UnCheckBill", "BillID", "bi_Bill"},
           {"bi_UnCheckBillItem", "UnCheckBillID", "bi_UnCheckBill"},
           {"bi_ShiftSum", "ShiftID", "bi_Shift"},
           {"bi_ShiftLog", "ShiftID", "bi_Shift"},
           {"st_BillItem", "BillID", "st_Bill"},
           {"mb_MemberCard", "MemberID", "mb_Member"},
           {"mb_Consume", "BillID", "bi_Bill"},
           {"mn_BOM", "ItemID", "st_StockItem"},
           {"bi_TempBillItem", "BillID", "bi_TempBill"}}) {
    EXPECT_EQ(0, Count(std::string("SELECT COUNT(*) FROM ") + child + " WHERE " + key +
                       " NOT IN (SELECT " + key + " FROM " + parent + ")"))
        << child;
  }
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_Bill WHERE ShiftID<>'' AND ShiftID NOT IN (SELECT "
                     "ShiftID FROM bi_Shift)"));
}

TEST_P(SampleDatabaseTest, CoversTheCasesTheExchangeMustHandle) {
  CreateSampleDatabase(Db(), Small());
  // Business dates are midnights of the four days; times are on other columns.
  EXPECT_EQ((std::set<std::string>{"2024-03-01 00:00:00", "2024-03-02 00:00:00",
                                   "2024-03-03 00:00:00", "2024-03-04 00:00:00"}),
            Column("SELECT DISTINCT BillDate FROM bi_Bill"));
  // Each of these has rows; the last, an Octopus payment still to be sent
  // although its bill went earlier.
  for (const std::string rows :
       {"bi_Bill WHERE ShiftID=''",
        "bi_SubBill",
        "bi_UnCheckBill WHERE IsUploaded=0",
        "bi_TempBill",
        "bi_Bill WHERE IsUploaded=0",
        "bi_Bill WHERE IsUploaded=1",
        "st_Bill",
        "tb_Table WHERE TableState=1",
        "prn_PrintJobItem",
        "st_BillItem_ByDepartment",
        "dd_Subject WHERE SubjectID='10101'",
        "mb_GiftSend WHERE IsUploaded=0",
        "mb_Member WHERE IsUploaded=0",
        "mb_Member WHERE IsUploaded=1",
        "mb_MemberCard WHERE IsUploaded=0",
        "mb_MemberCard WHERE IsUploaded=1",
        "mb_Consume WHERE IsUploaded=0",
        "mb_Consume WHERE IsUploaded=1",
        "mb_Summary WHERE IsUploaded=0",
        "mb_Summary WHERE IsUploaded=1",
        "bi_OctopusPayment AS O, bi_Bill AS B WHERE O.BillID=B.BillID AND O.IsUploaded=0 AND "
        "B.IsUploaded=1"}) {
    EXPECT_LT(0, Count("SELECT COUNT(*) FROM " + rows)) << rows;
  }
}

// Head office merges every branch's payment lines, shift sums and reversed
// checkouts under the ids they have at the branch, so two branches made from
// the same seed must not share one.
TEST_P(SampleDatabaseTest, IdsTheUploadKeepsDifferAcrossBranches) {
  CreateSampleDatabase(Db(), Small());
  test::TempDir other;
  const auto branch2 = db::OpenConnection(test::CreateEmptyHostDatabase(GetParam(), other));
  SampleOptions options = Small();
  options.branchId = "B02";
  CreateSampleDatabase(branch2, options);

  for (const char* sql :
       {"SELECT BillPaymentID FROM bi_BillPayment", "SELECT ShiftSumID FROM bi_ShiftSum",
        "SELECT UnCheckBillID FROM bi_UnCheckBill",
        "SELECT UnCheckBillPaymentID FROM bi_UnCheckBillPayment",
        "SELECT UnCheckBillItemID FROM bi_UnCheckBillItem"}) {
    const auto first = test::FirstColumn(*Db(), sql);
    const auto second = test::FirstColumn(*branch2, sql);
    ASSERT_FALSE(first.empty()) << sql;
    std::set<std::string> shared;
    std::set_intersection(first.begin(), first.end(), second.begin(), second.end(),
                          std::inserter(shared, shared.begin()));
    EXPECT_TRUE(shared.empty()) << sql << ": " << *shared.begin();
  }
}

TEST_P(SampleDatabaseTest, OptionalTablesCanBeLeftOut) {
  SampleOptions options = Small();
  options.withUnCheck = false;
  options.withOctopus = false;
  CreateSampleDatabase(Db(), options);
  for (const char* table :
       {"bi_UnCheckBill", "bi_UnCheckBillPayment", "bi_UnCheckBillItem", "bi_OctopusPayment"}) {
    EXPECT_FALSE(TableExists(table)) << table;
  }
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_BillPayment WHERE SubjectID='10301'"));
}

TEST_P(SampleDatabaseTest, AFailedRunLeavesTheDatabaseAsItWas) {
  Db()->Execute("CREATE TABLE mb_Gift (GiftID TEXT)");
  Db()->Execute("INSERT INTO mb_Gift VALUES ('mine')");
  EXPECT_THROW(CreateSampleDatabase(Db(), Small()), db::DbError);
  EXPECT_FALSE(TableExists("bi_Bill"));
  EXPECT_FALSE(TableExists("sys_ExchangeSetting"));
  EXPECT_EQ(std::set<std::string>{"mine"}, Column("SELECT GiftID FROM mb_Gift"));
}

INSTANTIATE_HOST_DATABASE_TEST(SampleDatabaseTest);

// The two schema scripts come from one description and must stay generated
// from it: a hand edit of one of them, or a forgotten regeneration, fails here.
TEST(SampleSchemaScripts, AreGeneratedFromTheTableDescription) {
  const char* source = std::getenv("TAVEX_SOURCE_DIR");
  if (source == nullptr) GTEST_SKIP() << "TAVEX_SOURCE_DIR is not set (ctest sets it)";
  const std::string schema = std::string(source) + "/schema";
  for (const std::string dialect : {"sqlite", "postgresql"}) {
    test::TempDir out;
    const std::string command =
        "python3 " + schema + "/gen_schema.py --print " + dialect + " > " + (out / "generated.sql");
    ASSERT_EQ(0, std::system(command.c_str())) << command;
    EXPECT_EQ(test::ReadFile(schema + "/" + dialect + ".sql"),
              test::ReadFile(out / "generated.sql"))
        << dialect << ".sql is out of date: run schema/gen_schema.py";
  }
}

// Both backends get the same tables with the same columns in the same order.
TEST(SampleSchemaScripts, GiveTheSameColumnsOnBothBackends) {
  test::TempDir sqliteFolder, postgresFolder;
  const auto sqlite =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, sqliteFolder));
  const auto postgres =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Postgres, postgresFolder));
  const SampleOptions options;
  const auto sqliteStatements = SampleSchemaStatements(db::Backend::Sqlite, options);
  const auto postgresStatements = SampleSchemaStatements(db::Backend::Postgres, options);
  ASSERT_EQ(sqliteStatements.size(), postgresStatements.size());
  for (const auto& statement : sqliteStatements) sqlite->Execute(statement);
  for (const auto& statement : postgresStatements) postgres->Execute(statement);

  std::size_t tables = 0;
  for (const auto& statement : sqliteStatements) {
    if (statement.rfind("CREATE TABLE ", 0) != 0) continue;
    const std::string table = statement.substr(13, statement.find(' ', 13) - 13);
    const std::string sql = "SELECT * FROM " + table + " WHERE 1<>1";
    EXPECT_EQ(test::ColumnNames(*sqlite, sql), test::ColumnNames(*postgres, sql)) << table;
    auto left = sqlite->Query(sql);
    auto right = postgres->Query(sql);
    for (std::size_t i = 0; i < std::min(left->Columns().size(), right->Columns().size()); ++i) {
      EXPECT_EQ(left->Columns()[i].kind, right->Columns()[i].kind)
          << table << "." << left->Columns()[i].name;
    }
    ++tables;
  }
  EXPECT_GT(tables, 0u);
}

}  // namespace
}  // namespace tavex::cli
