#include <gtest/gtest.h>

#include "trust/PackageKinds.h"
#include "trust/PackageName.h"

namespace tavex::trust {
namespace {

TEST(PackageName, GivesTheSenderBeforeTheTimeStampAndTheKindOfTheEnding) {
  struct Case {
    const char* name;
    const char* sender;  // nullptr: the name gives none
    PackageKind kind;
  };
  const Case cases[] = {
      {"B01-240305140709.pkg", "B01", PackageKind::Bills},
      {"B01-240305140709-R.pkg", "B01", PackageKind::Reports},
      {"b01-240305140709-m.PKG", "b01", PackageKind::Members},
      {"HK-01-240305140709.pkg", "HK-01", PackageKind::Bills},
      {"HK-R-240305140709.pkg", "HK-R", PackageKind::Bills},
      {"HK-R-240305140709-R.pkg", "HK-R", PackageKind::Reports},
      {"B01-1.pkg", "B01", PackageKind::Bills},
      {"总店-240305140709-M.pkg", "总店", PackageKind::Members},
      {"HQ-240305140709123-MB.pkg", "HQ", PackageKind::MemberBundle},
      {"hq-1-mb.PKG", "hq", PackageKind::MemberBundle},
      {"HQ-MB-1.pkg", "HQ-MB", PackageKind::Bills},
      {"x.pkg", nullptr, PackageKind::Bills},
      {"-240305140709.pkg", nullptr, PackageKind::Bills},
      {"B01-.pkg", nullptr, PackageKind::Bills},
      {"B01-24a5.pkg", nullptr, PackageKind::Bills},
      {"B01-240305140709-X.pkg", nullptr, PackageKind::Bills},
      {"B01-240305140709.mdb", nullptr, PackageKind::Bills},
  };
  for (const Case& c : cases) {
    const std::optional<PackageName> read = ReadPackageName(c.name);
    if (c.sender == nullptr) {
      EXPECT_FALSE(read) << c.name;
      continue;
    }
    ASSERT_TRUE(read) << c.name;
    EXPECT_EQ(c.sender, read->sender) << c.name;
    EXPECT_EQ(c.kind, read->kind) << c.name;
  }
}

// Each statement as a package step into `table` carries it, checked against
// the kind's rules for a package sent by B01.
TEST(StatementAllowed, TakesExactlyTheShapesTheBuildersWrite) {
  struct Case {
    PackageKind kind;
    const char* table;
    int statementKind;
    const char* sql;
    bool allowed;
  };
  const Case cases[] = {
      {PackageKind::Bills, "bi_Bill", 5, "DELETE FROM bi_Bill WHERE BillID='{BillID}'", true},
      {PackageKind::Bills, "bi_Bill", 5, " DELETE FROM [bi_Bill]  WHERE [BillID] = '{BillID}' ",
       true},
      {PackageKind::Bills, "bi_Bill", 5,
       "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM bi_BillItem "
       "WHERE BillID='{BillID}')",
       true},
      {PackageKind::Bills, "bi_Bill", 4, "DELETE FROM bi_Bill", false},
      {PackageKind::Bills, "bi_Bill", 4, "DELETE FROM bi_Bill WHERE BillID='{BillID}'", false},
      {PackageKind::Bills, "bi_Bill", 5, "DELETE FROM bi_Bill WHERE BillID='B02-1'", false},
      {PackageKind::Bills, "bi_Bill", 5, "DELETE FROM bi_Bill WHERE ShiftID='{ShiftID}'", false},
      {PackageKind::Bills, "bi_BillItem", 5, "DELETE FROM bi_BillItem WHERE BillID='{BillID}'",
       false},
      {PackageKind::Bills, "bi_Shift", 5, "DELETE FROM bi_ShiftLog WHERE ShiftID='{ShiftID}'",
       true},
      {PackageKind::Bills, "bi_Bill", 3, "UPDATE bi_Bill SET IsUploaded=1", true},
      {PackageKind::Reports, "rp_BillItem_Upload", 4,
       " DELETE FROM [rp_BillItem_Upload]  WHERE BillDate =   '2024-03-01 00:00:00' AND        "
       "BranchID =   'B01'  AND        BranchName = '分店 B01'  ",
       true},
      {PackageKind::Reports, "rp_BillItem_Upload", 4,
       "DELETE FROM rp_BillItem_Upload WHERE BillDate='2024-03-01' AND BranchID='B02' AND "
       "BranchName='x'",
       false},
      {PackageKind::Reports, "rp_BillItem_Upload", 4,
       "DELETE FROM rp_BillItem_Upload WHERE BillDate='yesterday' AND BranchID='B01' AND "
       "BranchName='x'",
       false},
      {PackageKind::Reports, "rp_BillItem_Upload", 4,
       "DELETE FROM rp_BillItem_Upload WHERE BranchID='B01'", false},
      {PackageKind::Reports, "st_BOM", 4,
       " DELETE FROM st_BOM  WHERE BillDate='2024-03-05'  AND BranchID='B01' ", true},
      {PackageKind::Members, "mb_Member", 5, "DELETE FROM mb_Member WHERE MemberID='{MemberID}'",
       true},
      {PackageKind::Members, "mb_Member", 4, "DELETE FROM mb_Member", false},
      {PackageKind::Members, "mb_MemberCard", 5,
       "DELETE FROM mb_MemberCard WHERE MemberID='{MemberID}'", true},
  };
  for (const Case& c : cases) {
    const KindRules& rules = ExchangeKindRules(c.kind);
    const AllowedTable* table = rules.Find(c.table);
    ASSERT_NE(nullptr, table) << c.table;
    std::vector<std::string> filled;
    for (const AllowedTable& t : rules.tables) filled.push_back(t.table);
    EXPECT_EQ(c.allowed, StatementAllowed(*table, {"", c.sql, c.statementKind, 0}, filled, "B01"))
        << c.sql;
  }
}

TEST(StatementAllowed, ABackupEmptiesExactlyTheTablesItFillsWhole) {
  const KindRules rules = BackupKindRules({"mn_Menu", "pv_User"});
  const std::vector<std::string> filled{"mn_Menu", "pv_User", "bi_Bill"};
  EXPECT_TRUE(StatementAllowed(*rules.Find("mn_Menu"), {"", " DELETE   FROM [mn_Menu] ", 4, 0},
                               filled, ""));
  EXPECT_FALSE(
      StatementAllowed(*rules.Find("mn_Menu"), {"", "DELETE FROM pv_User", 4, 0}, filled, ""));
  EXPECT_FALSE(
      StatementAllowed(*rules.Find("bi_Bill"), {"", "DELETE FROM bi_Bill", 4, 0}, filled, ""));
  EXPECT_EQ(nullptr, rules.Find("sys_ExchangeSetting"));
}

TEST(ExchangeKinds, NeverWriteAccountsOrSystemTables) {
  for (PackageKind kind : {PackageKind::Bills, PackageKind::Reports, PackageKind::Members}) {
    for (const AllowedTable& table : ExchangeKindRules(kind).tables) {
      EXPECT_NE(0u, table.table.rfind("pv_", 0)) << table.table;
      EXPECT_NE(0u, table.table.rfind("sys_", 0)) << table.table;
    }
  }
}

}  // namespace
}  // namespace tavex::trust
