#include <gtest/gtest.h>

#include <map>

#include "cli/SampleDatabase.h"
#include "maintenance/DeletePlans.h"
#include "support/HostDatabase.h"
#include "support/RecordingProgress.h"
#include "support/Rows.h"

namespace tavex {
namespace {

using namespace std::chrono;

// The tables any plan may touch, watched for rows that go where they should not.
const char* const kWatched[] = {
    "bi_Bill",        "bi_BillPayment",     "bi_BillItem",     "bi_SubBill",       "bi_SubItem",
    "bi_BillLog",     "bi_TempBill",        "bi_TempBillItem", "bi_TempSubBill",   "bi_TempSubItem",
    "bi_TempBillLog", "bi_TempBillPayment", "prn_PrintJob",    "prn_PrintJobItem", "st_Bill",
    "st_BillItem",    "st_Location",        "st_Item",         "dd_Supplier",      "dd_Subject",
    "dd_SubjectType", "dd_Discount",        "mn_Menu",         "pv_User"};

// The day 2024-03-02 alone, as the wizards pass it.
const DateRange kOneDay = *DeleteDays(2024y / March / 2, 2024y / March / 2);
const std::string kDayBills =
    "BillID IN (SELECT BillID FROM bi_Bill WHERE BillDate>='2024-03-02' AND "
    "BillDate<'2024-03-03')";

// A host that records what the run shows, answers the cancel question from a
// script, and presses cancel when a chosen line appears.
class Host : public DeleteHost {
 public:
  const RunView& View() override { return view; }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    return answerYes;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  test::RecordingList list;
  test::RecordingBar bar;
  RunView view{.list = &list, .bar = &bar, .processEvents = [this] {
                 if (run && list.ListCount() == cancelAtLine && !pressed) {
                   pressed = true;
                   run->Cancel();
                 }
               }};
  DeleteRun* run = nullptr;
  int cancelAtLine = -1;
  bool pressed = false;
  bool answerYes = true;
  std::vector<std::string> questions, messages;
};

class DeleteRunTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    cli::SampleOptions options;
    options.bills = 40;
    options.days = 4;
    cli::CreateSampleDatabase(Db(), options);
  }

  std::map<std::string, std::int64_t> Counts() {
    std::map<std::string, std::int64_t> counts;
    for (const char* table : kWatched) {
      if (!test::HasTable(*Db(), table)) continue;  // the table a fault removed
      counts[table] = test::Number(*Db(), std::string("SELECT COUNT(*) FROM ") + table);
    }
    return counts;
  }

  // A run under the sample's manager.
  DeleteOutcome Run(const DeletePlan& plan) {
    DeleteRight right{};
    const std::optional<DeleteGrant> grant = DeleteGrant::Check(Db(), "admin", "admin", right);
    EXPECT_TRUE(grant.has_value());
    if (!grant) return DeleteOutcome::Failed;
    DeleteRun run(Db(), ReadDeleteTexts("frmDelete"), host);
    host.run = &run;
    const DeleteOutcome outcome = run.Run(plan, kOneDay, *grant);
    host.run = nullptr;
    return outcome;
  }

  Host host;
};

struct PlanCase {
  const char* name;
  DeletePlan plan;
  // Each table the plan empties, with the condition that picks its rows that
  // go ("" for all); every other watched table keeps all its rows.
  std::map<std::string, std::string> goes;
};

std::vector<PlanCase> PlanCases() {
  const BusinessDeleteTexts business = ReadBusinessDeleteTexts();
  const StockDeleteTexts stock = ReadStockDeleteTexts();
  const std::string dayItems =
      "BillItemID IN (SELECT BillItemID FROM bi_BillItem WHERE " + kDayBills + ")";
  return {
      {"SettledBillsOfOneDay",
       BusinessDeletePlan(business, BusinessDeleteKind::SettledInRange),
       {{"bi_Bill", "BillDate>='2024-03-02' AND BillDate<'2024-03-03'"},
        {"bi_BillPayment", kDayBills},
        {"bi_BillItem", kDayBills},
        {"bi_BillLog", kDayBills},
        {"bi_SubBill", dayItems},
        {"bi_SubItem", dayItems}}},
      {"AllSettledBills",
       BusinessDeletePlan(business, BusinessDeleteKind::AllSettled),
       {{"bi_Bill", ""},
        {"bi_BillPayment", ""},
        {"bi_BillItem", ""},
        {"bi_BillLog", ""},
        {"bi_SubBill", ""},
        {"bi_SubItem", ""}}},
      {"AllOpenBills",
       BusinessDeletePlan(business, BusinessDeleteKind::AllOpen),
       {{"bi_TempBill", ""},
        {"bi_TempBillPayment", ""},
        {"bi_TempBillItem", ""},
        {"bi_TempBillLog", ""},
        {"bi_TempSubBill", ""},
        {"bi_TempSubItem", ""}}},
      {"PrintJobs",
       BusinessDeletePlan(business, BusinessDeleteKind::PrintJobs),
       {{"prn_PrintJob", ""}, {"prn_PrintJobItem", ""}}},
      {"BaseDataGroupOneKeepsTheBuiltInSubject",
       BaseDataDeletePlan(ReadBaseDataTexts("frmDDDelete"), {1}),
       {{"dd_Subject", "SubjectID<>'10101'"},
        {"dd_SubjectType", "SubjectTypeID<>'101'"},
        {"dd_Discount", ""}}},
      {"StockDocumentsOfOneDay",
       StockDeletePlan(stock, StockBackupKind::DocumentsInRange, false),
       {{"st_Bill", "BillDate>='2024-03-02' AND BillDate<'2024-03-03'"},
        {"st_BillItem",
         "BillID IN (SELECT BillID FROM st_Bill WHERE BillDate>='2024-03-02' AND "
         "BillDate<'2024-03-03')"}}},
      {"StockMasterTables",
       StockDeletePlan(stock, StockBackupKind::MasterTables, false),
       {{"st_Location", ""}, {"st_Item", ""}, {"dd_Supplier", ""}}},
  };
}

TEST_P(DeleteRunTest, EachPlanDeletesExactlyItsRows) {
  for (const PlanCase& c : PlanCases()) {
    SCOPED_TRACE(c.name);
    const auto before = Counts();
    std::map<std::string, std::int64_t> going;
    for (const auto& [table, condition] : c.goes) {
      going[table] = test::Number(*Db(), "SELECT COUNT(*) FROM " + table +
                                             (condition.empty() ? "" : " WHERE " + condition));
      EXPECT_GT(going[table], 0) << table << " has nothing to delete in the sample";
    }
    host.list.lines.clear();
    ASSERT_EQ(DeleteOutcome::Done, Run(c.plan));
    const auto after = Counts();
    for (const auto& [table, count] : before) {
      const auto it = going.find(table);
      EXPECT_EQ(count - (it == going.end() ? 0 : it->second), after.at(table)) << table;
    }
    EXPECT_EQ(c.plan.tables.size(), host.list.lines.size());
    EXPECT_TRUE(host.messages.empty());
  }
  // The open bills went, so every dining table is free again.
  EXPECT_EQ(0, test::Number(*Db(), "SELECT COUNT(*) FROM tb_Table WHERE TableState<>0"));
}

TEST_P(DeleteRunTest, ReportsEachTableAndStopsTheBarAtItsMaximum) {
  const auto plan = BusinessDeletePlan(ReadBusinessDeleteTexts(), BusinessDeleteKind::AllSettled);
  const auto subBills = test::Number(*Db(), "SELECT COUNT(*) FROM bi_SubBill");
  ASSERT_EQ(DeleteOutcome::Done, Run(plan));
  ASSERT_EQ(6u, host.list.lines.size());
  EXPECT_EQ("已经删除：分单明细表 ，共删除 " + std::to_string(subBills) + " 条数据",
            host.list.lines[0]);
  EXPECT_EQ(5, host.list.selected);
  EXPECT_EQ(4, host.bar.Max());
  EXPECT_DOUBLE_EQ(4, host.bar.Value());
  // A second run finds nothing and still reports every table, with 0.
  host.list.lines.clear();
  ASSERT_EQ(DeleteOutcome::Done, Run(plan));
  EXPECT_EQ("已经删除：消费账单表 ，共删除 0 条数据", host.list.lines.at(5));
}

TEST_P(DeleteRunTest, CancelDuringTheFifthTableUndoesTheFourBeforeAndAnsweredNoGoesOn) {
  const auto before = Counts();
  host.cancelAtLine = 5;
  EXPECT_EQ(DeleteOutcome::Cancelled,
            Run(BusinessDeletePlan(ReadBusinessDeleteTexts(), BusinessDeleteKind::AllSettled)));
  ASSERT_EQ(5u, host.list.lines.size());
  EXPECT_EQ(0u, host.list.lines[3].find("已经删除："));
  EXPECT_EQ("正在删除：支付明细表 ...", host.list.lines[4]);
  EXPECT_EQ(
      std::vector<std::string>{"确定要取消删除数据吗？如果确定请点击“是”；否则，点击“否”则继续..."},
      host.questions);
  EXPECT_EQ(before, Counts());
  EXPECT_FALSE(Db()->InTransaction());

  host.questions.clear();
  host.list.lines.clear();
  host.pressed = false;
  host.cancelAtLine = 2;
  host.answerYes = false;
  EXPECT_EQ(DeleteOutcome::Done,
            Run(BusinessDeletePlan(ReadBusinessDeleteTexts(), BusinessDeleteKind::PrintJobs)));
  EXPECT_EQ(1u, host.questions.size());
  EXPECT_EQ(0, test::Number(*Db(), "SELECT COUNT(*) FROM prn_PrintJobItem"));
}

TEST_P(DeleteRunTest, FailingTableUndoesEverythingWithItsReason) {
  Db()->Execute("DROP TABLE bi_BillPayment");
  const auto before = Counts();
  EXPECT_EQ(DeleteOutcome::Failed,
            Run(BusinessDeletePlan(ReadBusinessDeleteTexts(), BusinessDeleteKind::AllSettled)));
  ASSERT_EQ(1u, host.messages.size());
  EXPECT_EQ(0u, host.messages[0].find("删除数据失败："));
  EXPECT_GT(host.messages[0].size(), std::string("删除数据失败：").size());
  EXPECT_EQ(5u, host.list.lines.size());
  EXPECT_EQ(before, Counts());
  EXPECT_FALSE(Db()->InTransaction());
}

// Only a grant lets a run delete: an account refused gets none.
TEST_P(DeleteRunTest, OnlyAValidAccountWithTheDeleteRightGetsAGrant) {
  Db()->Execute(
      "INSERT INTO pv_User (UserID, UserGroupID, PasswordHash, Disabled) "
      "SELECT 'broken', UserGroupID, 'not-a-hash', Disabled FROM pv_User "
      "WHERE UserID='admin'");
  struct {
    const char* user;
    const char* password;
    DeleteRight right;
  } const kCases[] = {
      {"admin", "wrong", DeleteRight::BadLogin},
      {"nobody", "admin", DeleteRight::BadLogin},
      {"leaver", "leaver", DeleteRight::BadLogin},
      {"broken", "not-a-hash", DeleteRight::BadLogin},
      {"cashier", "cashier", DeleteRight::NoPrivilege},
      {"admin", "admin", DeleteRight::Granted},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.user);
    DeleteRight right{};
    const bool granted = DeleteGrant::Check(Db(), c.user, c.password, right).has_value();
    EXPECT_EQ(c.right, right);
    EXPECT_EQ(c.right == DeleteRight::Granted, granted);
  }
}

TEST_P(DeleteRunTest, CountsTheChosenBillsNotYetUploaded) {
  Db()->Execute("UPDATE bi_Bill SET IsUploaded=1");
  Db()->Execute(
      "UPDATE bi_Bill SET IsUploaded=0 WHERE BillID IN (SELECT MIN(BillID) FROM bi_Bill "
      "UNION SELECT MAX(BillID) FROM bi_Bill UNION SELECT MIN(BillID) FROM bi_Bill "
      "WHERE BillDate>='2024-03-02' AND BillDate<'2024-03-03')");
  const auto texts = ReadBusinessDeleteTexts();
  EXPECT_EQ(1, CountUnsent(*Db(), BusinessDeletePlan(texts, BusinessDeleteKind::SettledInRange),
                           kOneDay));
  EXPECT_EQ(3,
            CountUnsent(*Db(), BusinessDeletePlan(texts, BusinessDeleteKind::AllSettled), kOneDay));
  EXPECT_EQ(0, CountUnsent(*Db(), BusinessDeletePlan(texts, BusinessDeleteKind::AllOpen), kOneDay));

  const auto stock = ReadStockDeleteTexts();
  ASSERT_TRUE(StockBillsHaveUploadFlag(*Db()));
  // One document of the day is sent: it is not counted.
  Db()->Execute("UPDATE st_Bill SET Uploaded=NULL");
  Db()->Execute(
      "UPDATE st_Bill SET Uploaded=TRUE WHERE BillID=(SELECT MIN(BillID) FROM st_Bill "
      "WHERE BillDate>='2024-03-02' AND BillDate<'2024-03-03')");
  EXPECT_EQ(
      test::Number(*Db(),
                   "SELECT COUNT(*) FROM st_Bill WHERE BillDate>='2024-03-02' AND "
                   "BillDate<'2024-03-03'") -
          1,
      CountUnsent(*Db(), StockDeletePlan(stock, StockBackupKind::DocumentsInRange, true), kOneDay));
  EXPECT_EQ(
      0, CountUnsent(*Db(), StockDeletePlan(stock, StockBackupKind::AllDocuments, false), kOneDay));
}

INSTANTIATE_HOST_DATABASE_TEST(DeleteRunTest);

TEST(DeleteDays, TheLastDayCountsWholeAndABackwardRangeIsNone) {
  const auto sameDay = DeleteDays(2024y / February / 29, 2024y / February / 29);
  ASSERT_TRUE(sameDay.has_value());
  EXPECT_EQ(2024y / February / 29, sameDay->begin);
  EXPECT_EQ(2024y / March / 1, sameDay->end);
  EXPECT_FALSE(DeleteDays(2024y / March / 2, 2024y / March / 1).has_value());
}

}  // namespace
}  // namespace tavex
