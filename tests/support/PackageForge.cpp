#include "support/PackageForge.h"

#include <gtest/gtest.h>

#include "database/Connection.h"
#include "engine/Package.h"
#include "storage/DatabaseHelpers.h"
#include "support/PackageFiles.h"
#include "support/TempDir.h"

namespace tavex::test {

std::string PackageForge::NextStem() { return mFolder + "/forged" + std::to_string(++mCount); }

std::string PackageForge::Build(const std::vector<ForgedStep>& steps, const std::string& sender) {
  const std::string stem = NextStem();
  storage::CreateEmptyDatabase(stem + ".db");
  auto source = db::OpenConnection("sqlite:" + stem + ".db");
  engine::Package package;
  package.PackageID("forged " + std::to_string(mCount));
  package.Sender(sender);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const ForgedStep& step = steps[i];
    const std::string table = "step" + std::to_string(i);
    source->Execute("CREATE TABLE " + table + " (" + step.columns + ")");
    for (const std::string& row : step.rows) {
      source->Execute("INSERT INTO " + table + " VALUES " + row);
    }
    if (!step.generated.empty()) source->Execute("INSERT INTO " + table + " " + step.generated);
    engine::ExData& added =
        package.ExDatas().Add(step.table, "SELECT * FROM " + table, step.table, false, false);
    for (const auto& [kind, sql] : step.statements) added.Statements().Add("", sql, kind, 0);
  }
  return ExportPackageFile(package, source, stem);
}

std::string PackageForge::Tampered(const std::string& package,
                                   const std::vector<std::string>& sql) {
  const std::string stem = NextStem();
  WriteFile(stem + ".pkg", package);
  EXPECT_EQ(0, Unpack(stem + ".pkg", stem + ".mdb"));
  {
    auto database = db::OpenConnection(db::PackageConnectionString(stem + ".mdb"));
    for (const std::string& statement : sql) database->Execute(statement);
  }
  EXPECT_EQ(0, Pack(stem + ".mdb", stem + ".packed"));
  return ReadFile(stem + ".packed");
}

std::string PackageForge::Packed(const std::string& contents) {
  const std::string stem = NextStem();
  WriteFile(stem + ".mdb", contents);
  EXPECT_EQ(0, Pack(stem + ".mdb", stem + ".pkg"));
  return ReadFile(stem + ".pkg");
}

std::vector<ForgedStep> BillSteps(const std::string& branch, int first, int count) {
  ForgedStep bills{"bi_Bill",
                   "BillID TEXT, ShiftID TEXT, BillDate DATETIME, BranchID TEXT, SumPaid NUMERIC, "
                   "IsUploaded INTEGER",
                   {},
                   {{5,
                     "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM "
                     "bi_BillItem WHERE BillID='{BillID}')"},
                    {5, "DELETE FROM bi_BillItem WHERE BillID='{BillID}'"},
                    {5, "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'"},
                    {5, "DELETE FROM bi_Bill WHERE BillID='{BillID}'"}}};
  ForgedStep payments{"bi_BillPayment", "BillPaymentID TEXT, BillID TEXT, PaySum NUMERIC", {}};
  ForgedStep items{"bi_BillItem", "BillItemID TEXT, BillID TEXT, MenuName TEXT", {}};
  const ForgedStep subBills{"bi_SubBill", "SubBillID TEXT, BillItemID TEXT", {}};
  ForgedStep shifts{"bi_Shift",
                    "ShiftID TEXT, Remark TEXT",
                    {"('" + branch + "-S1', 'shift')"},
                    {{5, "DELETE FROM bi_ShiftSum WHERE ShiftID='{ShiftID}'"},
                     {5, "DELETE FROM bi_ShiftLog WHERE ShiftID='{ShiftID}'"},
                     {5, "DELETE FROM bi_Shift WHERE ShiftID='{ShiftID}'"}}};
  for (int n = first; n < first + count; ++n) {
    const std::string bill = branch + "-" + std::to_string(n);
    bills.rows.push_back("('" + bill + "', '" + branch + "-S1', '2024-03-05 12:00:00', '" + branch +
                         "', " + std::to_string(100 + n) + ", 1)");
    payments.rows.push_back("('" + bill + "-P', '" + bill + "', " + std::to_string(100 + n) + ")");
    for (int item = 1; item <= 2; ++item) {
      items.rows.push_back("('" + bill + "-" + std::to_string(item) + "', '" + bill + "', '炒饭')");
    }
  }
  return {bills,
          payments,
          items,
          subBills,
          shifts,
          {"bi_ShiftSum", "ShiftSumID TEXT, ShiftID TEXT", {}},
          {"bi_ShiftLog", "ShiftLogID TEXT, ShiftID TEXT", {}}};
}

std::vector<ForgedStep> MemberSteps(const std::string& memberId, const std::string& mobile) {
  return {{"mb_Member",
           "MemberID TEXT, MemberName TEXT, MobileNumber TEXT, IsUploaded INTEGER",
           {"('" + memberId + "', 'Chan', '" + mobile + "', 1)"},
           {{5, "DELETE FROM mb_Member WHERE MemberID='{MemberID}'"}}},
          {"mb_MemberCard",
           "MemberCardID TEXT, MemberID TEXT, Balance NUMERIC, IsUploaded INTEGER",
           {"('C-" + memberId + "', '" + memberId + "', 50, 1)"},
           {{5, "DELETE FROM mb_MemberCard WHERE MemberID='{MemberID}'"}}}};
}

}  // namespace tavex::test
