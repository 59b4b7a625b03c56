#include <gtest/gtest.h>

#include "UploadHost.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "upload/cUploadBillEx.h"

namespace tavex {
namespace {

using test::UploadHostTest;

class UploadBillExTest : public UploadHostTest {
 protected:
  // Runs the package's kind-3 statements and actions on the host, as the
  // export does after copying.
  void RunMarks(engine::Package& package) const {
    for (std::int32_t i = 1; i <= package.ExDatas().Count(); ++i) {
      for (const auto& statement : package.ExDatas().Item(i).Statements()) {
        if (statement.kind == engine::kKindSource) Exec(statement.sql);
      }
    }
    for (const auto& action : package.Actions()) Exec(action.sql);
  }
  // "('a','b')": the keys as an SQL list.
  static std::string InList(const std::set<std::string>& keys) {
    std::string list;
    for (const auto& key : keys) list += (list.empty() ? "('" : ",'") + key + "'";
    return list + ")";
  }
  void InsertBill(const std::string& id, int uploaded) const {
    Exec("INSERT INTO bi_Bill (BillID, ShiftID, BillDate, IsUploaded) VALUES ('" + id +
         "', 'S1', '2024-03-02 00:00:00', " + std::to_string(uploaded) + ")");
  }
  void InsertOctopus(const std::string& bill, const std::string& card, int uploaded) const {
    Exec(
        "INSERT INTO bi_OctopusPayment (BillID, CardID, DeviceID, BillDate, IsUploaded) "
        "VALUES ('" +
        bill + "', '" + card + "', 'D9', '2024-03-02 00:00:00', " + std::to_string(uploaded) + ")");
  }
};

TEST_P(UploadBillExTest, StagesEveryUnsentBillWithItsFamilyAndShiftsPrefixed) {
  const auto bills = UnsentBills();
  ASSERT_EQ(30u, bills.size());
  const auto items = Keys(
      "SELECT BI.BillItemID FROM bi_BillItem AS BI, bi_Bill AS B WHERE BI.BillID=B.BillID AND "
      "B.IsUploaded=0");
  const auto subBills = Keys(
      "SELECT S.SubBillID FROM bi_SubBill AS S, bi_BillItem AS BI, bi_Bill AS B WHERE "
      "S.BillItemID=BI.BillItemID AND BI.BillID=B.BillID AND B.IsUploaded=0");
  const auto payments = Keys(
      "SELECT P.BillPaymentID FROM bi_BillPayment AS P, bi_Bill AS B WHERE P.BillID=B.BillID AND "
      "B.IsUploaded=0");
  const auto shifts =
      Keys("SELECT DISTINCT ShiftID FROM bi_Bill WHERE IsUploaded=0 AND ShiftID<>''");
  const auto shiftLogs = Keys(
      "SELECT L.ShiftLogID FROM bi_ShiftLog AS L, bi_Bill AS B WHERE L.ShiftID=B.ShiftID AND "
      "B.IsUploaded=0");
  ASSERT_FALSE(subBills.empty());
  ASSERT_FALSE(shiftLogs.empty());

  ASSERT_TRUE(cUploadBillEx().LoadData());

  EXPECT_EQ(bills, Keys("SELECT BillID FROM bi_BillID_Upload"));
  EXPECT_EQ(shifts, Keys("SELECT ShiftID FROM bi_ShiftID_Upload"));
  EXPECT_EQ(Prefixed(bills), Keys("SELECT BillID FROM bi_Bill_Upload"));
  EXPECT_EQ(std::set<std::string>{"1"}, Keys("SELECT IsUploaded FROM bi_Bill_Upload"));
  EXPECT_EQ(Prefixed(items), Keys("SELECT BillItemID FROM bi_BillItem_Upload"));
  // The set is in the database itself, as every other connection sees it.
  EXPECT_EQ(Prefixed(items),
            test::FirstColumn(*Reopen(), "SELECT BillItemID FROM bi_BillItem_Upload"));
  EXPECT_EQ(Prefixed(bills), Keys("SELECT DISTINCT BillID FROM bi_BillItem_Upload"));
  EXPECT_EQ(Prefixed(subBills), Keys("SELECT SubBillID FROM bi_SubBill_Upload"));
  // A payment keeps its own key; only the bill it belongs to is prefixed.
  EXPECT_EQ(payments, Keys("SELECT BillPaymentID FROM bi_BillPayment_Upload"));
  EXPECT_EQ(Prefixed(bills), Keys("SELECT DISTINCT BillID FROM bi_BillPayment_Upload"));
  EXPECT_EQ(Prefixed(shifts), Keys("SELECT ShiftID FROM bi_Shift_Upload"));
  EXPECT_EQ(Prefixed(shifts), Keys("SELECT DISTINCT ShiftID FROM bi_ShiftSum_Upload"));
  EXPECT_EQ(Prefixed(shiftLogs), Keys("SELECT ShiftLogID FROM bi_ShiftLog_Upload"));
  // UnCheckBillID keeps its own value; the bill and shift it belongs to are prefixed.
  const auto unChecked = Keys(
      "SELECT U.UnCheckBillID FROM bi_UnCheckBill AS U, bi_Bill AS B WHERE U.BillID=B.BillID AND "
      "B.IsUploaded=0");
  ASSERT_FALSE(unChecked.empty());
  EXPECT_EQ(unChecked, Keys("SELECT UnCheckBillID FROM bi_UnCheckBill_Upload"));
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_UnCheckBill_Upload WHERE IsUploaded<>1"));
  EXPECT_EQ(0,
            Count("SELECT COUNT(*) FROM bi_UnCheckBillItem_Upload WHERE BillID NOT LIKE 'B01-%'"));
  // Staging changes no live row.
  EXPECT_EQ(bills, UnsentBills());
}

TEST_P(UploadBillExTest, ABillWithoutShiftKeepsTheBarePrefixAndBringsNoShift) {
  const auto noShift = Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=0 AND ShiftID=''");
  ASSERT_EQ(1u, noShift.size());
  ASSERT_TRUE(cUploadBillEx().LoadData());
  EXPECT_EQ(std::set<std::string>{"B01-"},
            Keys("SELECT ShiftID FROM bi_Bill_Upload WHERE BillID='B01-" + *noShift.begin() + "'"));
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_ShiftID_Upload WHERE ShiftID=''"));
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_Shift_Upload WHERE ShiftID='B01-'"));
}

TEST_P(UploadBillExTest, OctopusPaymentsAreStagedByTheirOwnFlag) {
  // An unsent payment of a bill sent earlier goes; a sent payment of an
  // unsent bill does not.
  const std::string unsentBill = *UnsentBills().begin();
  const std::string sentBill = *Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=1").begin();
  InsertOctopus(sentBill, "LATE", 0);
  InsertOctopus(unsentBill, "DONE", 1);
  ASSERT_TRUE(cUploadBillEx().LoadData());
  EXPECT_EQ(std::set<std::string>{"B01-" + sentBill},
            Keys("SELECT BillID FROM bi_OctopusPayment_Upload WHERE CardID='LATE'"));
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_OctopusPayment_Upload WHERE CardID='DONE'"));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM bi_OctopusPayment WHERE IsUploaded=0"),
            Count("SELECT COUNT(*) FROM bi_OctopusPayment_Upload"));
  // Head office takes them as uploaded, as it takes the bills: nothing it
  // holds of a branch waits to be sent.
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_OctopusPayment_Upload WHERE IsUploaded<>1"));
}

TEST_P(UploadBillExTest, AnIdentifierWithQuotesOrWideCharactersIsWrittenAsItIs) {
  const auto unsent = UnsentBills();
  const auto octopus = Keys("SELECT BillID FROM bi_OctopusPayment WHERE IsUploaded=0");
  ASSERT_FALSE(octopus.empty());
  for (const std::string branch : {"O'Neil's #1 [?]", "旺角"}) {
    SCOPED_TRACE(branch);
    Exec("UPDATE bi_Bill SET IsUploaded=0 WHERE BillID IN " + InList(unsent));
    Exec("UPDATE bi_OctopusPayment SET IsUploaded=0 WHERE BillID IN " + InList(octopus));
    ExchangeContext::Instance().Settings().SetSetting(kSettingBranchID, branch);
    cUploadBillEx builder;
    EXPECT_EQ(branch, builder.BranchID());
    ASSERT_TRUE(builder.LoadData());
    EXPECT_EQ(Prefixed(unsent, branch), Keys("SELECT BillID FROM bi_Bill_Upload"));
    EXPECT_EQ(Prefixed(octopus, branch), Keys("SELECT BillID FROM bi_OctopusPayment_Upload"));
    // The marks find the staged rows through the same identifier, counted
    // in characters where they take it off again.
    engine::Package package;
    builder.LoadPackag(package);
    RunMarks(package);
    EXPECT_TRUE(UnsentBills().empty());
    EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_OctopusPayment WHERE IsUploaded=0"));
  }
}

TEST_P(UploadBillExTest, ASecondStagingReplacesTheFirst) {
  ASSERT_TRUE(cUploadBillEx().LoadData());
  Exec("UPDATE bi_Bill SET IsUploaded=1");
  InsertBill("NEW0001", 0);
  ASSERT_TRUE(cUploadBillEx().LoadData());
  EXPECT_EQ(std::set<std::string>{"B01-NEW0001"}, Keys("SELECT BillID FROM bi_Bill_Upload"));
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_BillItem_Upload"));
}

TEST_P(UploadBillExTest, TheConnectionKeepsItsOwnWayOfDeleting) {
  if (GetParam() != db::Backend::Sqlite) GTEST_SKIP() << "secure_delete is SQLite's";
  // 0 off, 1 on, 2 FAST; a second staging drops the first one's tables.
  for (const std::int64_t setting : {0, 1, 2}) {
    SCOPED_TRACE(setting);
    const std::string value = setting == 2 ? "FAST" : std::to_string(setting);
    Db()->Query("PRAGMA secure_delete=" + value)->Next();
    ASSERT_TRUE(cUploadBillEx().LoadData());
    ASSERT_TRUE(cUploadBillEx().LoadData());
    cUploadBillEx().DropTables();
    EXPECT_EQ(setting, Count("PRAGMA secure_delete"));
  }
}

// Dropped, or failing half-way, a staging leaves none of its tables.
TEST_P(UploadBillExTest, ADroppedOrFailingStagingLeavesNoStagingTable) {
  const auto expectNoStaging = [&] {
    for (const auto& table : cUploadBillEx::kStagingTables)
      EXPECT_FALSE(HasTable(std::string(table.name))) << table.name;
    EXPECT_FALSE(HasTable("bi_OctopusPaymentID_Upload"));
  };
  ASSERT_TRUE(cUploadBillEx().LoadData());
  ASSERT_TRUE(HasTable("bi_OctopusPaymentID_Upload"));
  cUploadBillEx().DropTables();
  expectNoStaging();
  cUploadBillEx().DropTables();  // nothing left to drop is no error

  ASSERT_TRUE(cUploadBillEx().LoadData());
  Exec("DROP TABLE bi_ShiftLog");
  cUploadBillEx failing;
  EXPECT_FALSE(failing.LoadData());
  EXPECT_FALSE(failing.Failure().empty());
  expectNoStaging();
  EXPECT_FALSE(Db()->InTransaction());
}

TEST_P(UploadBillExTest, EveryStepReadsStagedRowsWithTheColumnsOfItsReceivingTable) {
  ASSERT_TRUE(cUploadBillEx().LoadData());
  engine::Package package;
  ASSERT_TRUE(cUploadBillEx().LoadPackag(package));
  ASSERT_EQ(11, package.ExDatas().Count());
  ExpectEveryStepFillsItsTable(package);
}

TEST_P(UploadBillExTest, TheMarksReachOnlyTheStagedRows) {
  const auto staged = UnsentBills();
  ASSERT_TRUE(cUploadBillEx().LoadData());
  // Written by a POS terminal after the upload set was built.
  InsertBill("LATE0001", 0);
  InsertOctopus("LATE0001", "C1", 0);
  const std::string sentBill = *Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=1").begin();
  InsertOctopus(sentBill, "C2", 0);
  // Settled again meanwhile: a column, or the shift alone, changed.
  ASSERT_LE(2u, staged.size());
  auto bill = staged.begin();
  const std::string paidAgain = *bill++, movedShift = *bill;
  Exec("UPDATE bi_Bill SET SumPaid=COALESCE(SumPaid, 0)+1 WHERE BillID='" + paidAgain + "'");
  Exec("UPDATE bi_Bill SET ShiftID=NULL WHERE BillID='" + movedShift + "'");
  engine::Package package;
  cUploadBillEx().LoadPackag(package);
  RunMarks(package);
  EXPECT_EQ((std::set<std::string>{"LATE0001", paidAgain, movedShift}), UnsentBills());
  EXPECT_EQ((std::set<std::string>{"C1", "C2"}),
            Keys("SELECT CardID FROM bi_OctopusPayment WHERE IsUploaded=0"));
}

INSTANTIATE_HOST_DATABASE_TEST(UploadBillExTest);

}  // namespace
}  // namespace tavex
