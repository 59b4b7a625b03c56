#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "database/SqliteConnection.h"
#include "storage/DatabaseHelpers.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "support/TempDir.h"

namespace tavex::storage {
namespace {

using namespace std::chrono;

// Each case runs with a fresh host database of each role as the shared
// connection, holding one table of bills dated around the end of March.
class DatabaseHelpersTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    mHostScope.emplace(Db());
    Db()->Execute(std::string("CREATE TABLE bi_Bill (BillID varchar(20), BillDate ") +
                  (OnPostgres() ? "timestamp" : "DATETIME") + ")");
  }

  bool OnPostgres() const { return GetParam() == db::Backend::Postgres; }
  std::int64_t CountBills(const std::string& where) {
    return test::Number(*Db(), "SELECT count(*) FROM bi_Bill WHERE " + where);
  }

  std::optional<test::ScopedHostConnection> mHostScope;
};

TEST_P(DatabaseHelpersTest, ProviderAndKindFollowTheHostRole) {
  EXPECT_EQ(OnPostgres() ? "SQLOLEDB" : "MSACCESS", GetProvider());
  EXPECT_EQ(OnPostgres() ? 2 : 1, GetDatabaseKind(Db()));
  // The probe's failure on the file database leaves the connection usable.
  EXPECT_TRUE(ExecuteCommand("INSERT INTO bi_Bill (BillID) VALUES (?)", {std::string("B1")}));
}

TEST_P(DatabaseHelpersTest, TableProbeAndDropAcceptBracketedNames) {
  EXPECT_TRUE(TableExists("bi_Bill"));
  EXPECT_TRUE(TableExists("[bi_Bill]"));
  EXPECT_FALSE(TableExists("bi_NoSuchTable"));

  DropTable("bi_NoSuchTable");  // returns normally
  DropTable("[bi_Bill]");
  EXPECT_FALSE(TableExists("bi_Bill"));
}

TEST_P(DatabaseHelpersTest, ExecuteCommandBindsValuesInOrderAndReportsFailure) {
  EXPECT_TRUE(ExecuteCommand("INSERT INTO bi_Bill (BillID, BillDate) VALUES (?, ?)",
                             {std::string("B01-7"), std::string("2026-03-31 12:00:00")}));
  EXPECT_EQ(1, CountBills("BillID = 'B01-7'"));
  EXPECT_FALSE(ExecuteCommand("INSERT INTO bi_Nothing (BillID) VALUES (?)", {std::string("x")}));
  EXPECT_FALSE(ExecuteCommand("INSERT INTO bi_Bill (BillID) VALUES (?)", {}));
}

TEST_P(DatabaseHelpersTest, DateRangeTakesTheWholeLastDayAndNothingAfter) {
  for (const char* when : {"2026-02-28 23:59:59", "2026-03-01 00:00:00", "2026-03-31 23:59:59",
                           "2026-04-01 00:00:00"}) {
    ASSERT_TRUE(ExecuteCommand("INSERT INTO bi_Bill (BillID, BillDate) VALUES ('b', ?)",
                               {std::string(when)}));
  }
  const std::string provider = GetProvider();
  const std::string where = ForProvider(
      "BillDate >= " + DateLiteral(2026y / March / 1, kProviderAccess) + " AND BillDate < " +
          DateLiteral(RangeEnd(2026y / March / 31), kProviderAccess),
      provider);
  EXPECT_EQ(2, CountBills(where)) << where;
}

INSTANTIATE_HOST_DATABASE_TEST(DatabaseHelpersTest);

TEST(DatabaseHelpers, WithoutAConnectionEverythingReadsAsAnEmptyFileDatabase) {
  test::ScopedHostConnection noHost(nullptr);
  EXPECT_EQ("MSACCESS", GetProvider());
  EXPECT_EQ(1, GetDatabaseKind(nullptr));
  EXPECT_FALSE(TableExists("bi_Bill"));
  EXPECT_FALSE(ExecuteCommand("SELECT 1", {}));
  DropTable("bi_Bill");
}

TEST(DatabaseHelpers, DateLiteralsAndQuoting) {
  EXPECT_EQ("#2026-03-05#", DateLiteral(2026y / March / 5, "MSACCESS"));
  EXPECT_EQ("'2026-03-05'", DateLiteral(2026y / March / 5, "SQLOLEDB"));
  EXPECT_EQ(2025y / January / 1, RangeEnd(2024y / December / 31));
  EXPECT_EQ(2024y / February / 29, RangeEnd(2024y / February / 28));
  EXPECT_EQ(" [bi_Bill] ", QuoteTableName("[bi_[Bill]]"));
  EXPECT_EQ("a = '2026-01-01'", ForProvider("a = #2026-01-01#", "SQLOLEDB"));
  EXPECT_EQ("a = #2026-01-01#", ForProvider("a = #2026-01-01#", "MSACCESS"));
}

TEST(DatabaseHelpers, CreateEmptyDatabaseLeavesAnExistingFileAlone) {
  test::TempDir folder;
  const std::string path = folder / "pkg.mdb";
  CreateEmptyDatabase(path);
  EXPECT_TRUE(db::OpenConnection("sqlite:" + path)->IsOpen());

  const std::string other = folder / "notes.mdb";
  test::WriteFile(other, "not a database");
  CreateEmptyDatabase(other);
  EXPECT_EQ("not a database", test::ReadFile(other));

  EXPECT_THROW(CreateEmptyDatabase(folder / "missing/x.mdb"), db::DbError);
}

}  // namespace
}  // namespace tavex::storage
