#include <gtest/gtest.h>

#include <QDateEdit>
#include <QListWidget>
#include <QRadioButton>
#include <functional>
#include <map>

#include "FakeUiServices.h"
#include "ModalCloser.h"
#include "WizardControls.h"
#include "cli/SampleDatabase.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "wizards/frmDDDelete.h"
#include "wizards/frmDelete.h"
#include "wizards/frmStDelete.h"

namespace tavex {
namespace {

const char* const kOneDay = "BillDate>='2024-03-02' AND BillDate<'2024-03-03'";
const char* const kOtherDays = "(BillDate<'2024-03-02' OR BillDate>='2024-03-03')";

using MakeWizard = std::function<std::unique_ptr<ui::WizardFrame>(ui::UiServices&)>;
using Pick = std::function<void(QWidget&)>;

template <typename Wizard>
MakeWizard Make() {
  return [](ui::UiServices& ui) { return std::make_unique<Wizard>(ui); };
}

Pick Option(const char* name) {
  return [name](QWidget& wizard) { wizard.findChild<QRadioButton*>(name)->setChecked(true); };
}

// Base data group 1 alone.
void GroupOne(QWidget& wizard) {
  wizard.findChild<QPushButton*>("cmdSelectNone")->click();
  wizard.findChild<QListWidget*>("lstData")->item(0)->setSelected(true);
}

// The delete wizards on a sample host database of four days, the first two
// uploaded to head office.
class DeleteWizards : public ::testing::Test {
 protected:
  DeleteWizards() {
    cli::SampleOptions options;
    options.bills = 20;
    options.days = 4;
    cli::CreateSampleDatabase(mHost, options);
  }

  // Prepares and shows `wizard`, lets `pick` choose with the single day
  // 2024-03-02 (or the days given), and goes on from step 0.
  static void Choose(ui::WizardFrame& wizard, const Pick& pick, QDate first = QDate(2024, 3, 2),
                     QDate last = QDate(2024, 3, 2)) {
    wizard.Prepare();
    wizard.show();
    pick(wizard);
    if (auto* begin = wizard.findChild<QDateEdit*>("dtpBegin")) {
      begin->setDate(first);
      wizard.findChild<QDateEdit*>("dtpEnd")->setDate(last);
    }
    wizard.cmdNext_Click();
  }

  // Enters the account on step 1 and runs the deletion; true when the
  // wizard reached its last step.
  static bool Delete(ui::WizardFrame& wizard, const std::string& user = "admin",
                     const std::string& password = "admin") {
    Field(wizard, "txtUID")->setText(QString::fromStdString(user));
    Field(wizard, "txtPSW")->setText(QString::fromStdString(password));
    wizard.cmdNext_Click();
    return wizard.CurrentStep() == 2;
  }

  static QLineEdit* Field(QWidget& wizard, const char* name) {
    return wizard.findChild<QLineEdit*>(name);
  }
  static std::vector<std::string> Lines(QWidget& wizard) { return test::ProgressLines(wizard); }
  std::int64_t Rows(const std::string& tableAndCondition) {
    return test::Number(*mHost, "SELECT COUNT(*) FROM " + tableAndCondition);
  }

  test::PluginHome mHome;
  test::TempDir mDir;
  std::shared_ptr<db::Connection> mHost =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir));
  test::ScopedHostConnection mHostScope{mHost};
  test::FakeUiServices mUi;
};

struct RunCase {
  const char* name;
  MakeWizard make;
  Pick pick;
  std::deque<bool> answers;
  std::vector<std::string> gone;  // rows there before and none after
  std::vector<std::string> kept;  // rows there before and all after
};

TEST_F(DeleteWizards, EachChoiceDeletesItsRowsAndKeepsTheOthers) {
  const std::string dayBills = std::string("bi_Bill WHERE ") + kOneDay;
  const std::vector<RunCase> cases = {
      {"SettledBillsOfOneDay",
       Make<frmDelete>(),
       Option("optDeleteType_0"),
       {},
       {dayBills, "bi_BillItem WHERE BillID IN (SELECT BillID FROM " + dayBills + ")"},
       {std::string("bi_Bill WHERE ") + kOtherDays, "bi_TempBill"}},
      {"OpenBillsFreeTheTables",
       Make<frmDelete>(),
       Option("optDeleteType_2"),
       {},
       {"bi_TempBill", "bi_TempBillItem", "tb_Table WHERE TableState<>0"},
       {"bi_Bill", "tb_Table"}},
      {"BaseDataGroupOneKeepsTheBuiltInSubject",
       Make<frmDDDelete>(),
       GroupOne,
       {},
       {"dd_Subject WHERE SubjectID<>'10101'", "dd_Discount"},
       {"dd_Subject WHERE SubjectID='10101'", "mn_Menu", "pv_User"}},
      {"StockDocumentsOfOneDayAfterTheUnsentQuestion",
       Make<frmStDelete>(),
       Option("optDeleteType_0"),
       {true},
       {std::string("st_Bill WHERE ") + kOneDay},
       {std::string("st_Bill WHERE ") + kOtherDays, "st_Item"}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    mHost = db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, dir));
    cli::SampleOptions options;
    options.bills = 20;
    options.days = 4;
    cli::CreateSampleDatabase(mHost, options);
    test::ScopedHostConnection scope{mHost};
    std::map<std::string, std::int64_t> before;
    for (const auto& rows : c.gone) before[rows] = Rows(rows);
    for (const auto& rows : c.kept) before[rows] = Rows(rows);
    mUi.answers = c.answers;
    const auto wizard = c.make(mUi);
    Choose(*wizard, c.pick);
    ASSERT_EQ(wizard->CurrentStep(), 1);
    EXPECT_TRUE(Delete(*wizard));
    for (const auto& rows : c.gone) {
      EXPECT_GT(before[rows], 0) << rows;
      EXPECT_EQ(Rows(rows), 0) << rows;
    }
    for (const auto& rows : c.kept) {
      EXPECT_GT(before[rows], 0) << rows;
      EXPECT_EQ(Rows(rows), before[rows]) << rows;
    }
    EXPECT_TRUE(mUi.answers.empty());
    EXPECT_TRUE(mUi.Shown("box: ").empty());
    EXPECT_EQ(Lines(*wizard).back().rfind("已经删除：", 0), 0U);
    EXPECT_EQ(test::NextCaption(*wizard), "完成");
    mUi.shown.clear();
  }
}

// Bills and stock documents head office has not received are deleted only
// when the user says so; No (the default answer) keeps everything and the
// wizard on the account step.
TEST_F(DeleteWizards, UnsentRowsAreDeletedOnlyAfterYesToTheQuestion) {
  frmDelete business(mUi);
  frmStDelete stock(mUi);
  for (const auto& [wizard, unsent, table, what] :
       {std::tuple<ui::WizardFrame*, std::string, std::string, std::string>{
            &business, "bi_Bill WHERE IsUploaded=0", "bi_Bill", "张账单"},
        {&stock, "st_Bill WHERE Uploaded=0", "st_Bill", "张单据"}}) {
    SCOPED_TRACE(table);
    mUi.shown.clear();
    const std::int64_t count = Rows(unsent);
    ASSERT_GT(count, 0);
    const std::string question = "ask: 提示 | 有 " + std::to_string(count) + " " + what +
                                 "尚未上传到总部，确定要删除吗？ | No";
    Choose(*wizard, Option("optDeleteType_1"));
    const std::int64_t rows = Rows(table);
    mUi.answers = {false};
    EXPECT_FALSE(Delete(*wizard));
    EXPECT_EQ(wizard->CurrentStep(), 1);
    EXPECT_EQ(Rows(table), rows);
    EXPECT_TRUE(Lines(*wizard).empty());
    mUi.answers = {true};
    EXPECT_TRUE(Delete(*wizard));
    EXPECT_EQ(Rows(table), 0);
    EXPECT_EQ(mUi.Shown("ask: "), (std::vector<std::string>{question, question}));
  }
}

// Whether documents head office lacks would be lost is asked of the host
// first; when it cannot answer, nothing runs and the reason is shown.
TEST_F(DeleteWizards, AStockDeleteWhoseHostCannotSayWhatIsUnsentDeletesNothing) {
  mHost->Execute("ALTER TABLE st_Bill RENAME TO st_Bill_Away");
  frmStDelete stock(mUi);
  Choose(stock, Option("optDeleteType_1"));
  EXPECT_FALSE(Delete(stock));
  EXPECT_EQ(stock.CurrentStep(), 1);
  EXPECT_TRUE(Lines(stock).empty()) << "the run never started";
  ASSERT_EQ(1u, mUi.Shown("box: ").size());
  EXPECT_NE(std::string::npos, mUi.Shown("box: ").front().find("st_Bill")) << mUi.shown.front();
}

// A refused account is told why (a bad login, or no privilege), must be
// entered again and deletes nothing; the run never starts. Which accounts
// are refused is the grant's own test.
TEST_F(DeleteWizards, ARefusedAccountDeletesNothingAndMustBeEnteredAgain) {
  frmDelete wizard(mUi);
  Choose(wizard, Option("optDeleteType_3"));
  EXPECT_EQ(Field(wizard, "txtPSW")->echoMode(), QLineEdit::Password);
  const std::int64_t jobs = Rows("prn_PrintJob");
  for (const auto& [user, password, message] :
       {std::tuple{"admin", "wrong", "账号或密码错误，请重新输入！"},
        std::tuple{"cashier", "cashier", "不允许删除数据：您的权限不足！"}}) {
    mUi.shown.clear();
    EXPECT_FALSE(Delete(wizard, user, password)) << user;
    EXPECT_EQ(mUi.shown, std::vector<std::string>{std::string("box: 提示 | ") + message}) << user;
    EXPECT_EQ(Field(wizard, "txtUID")->text(), "") << user;
    EXPECT_EQ(Field(wizard, "txtPSW")->text(), "") << user;
  }
  EXPECT_EQ(mUi.processed, 0);
  EXPECT_EQ(Rows("prn_PrintJob"), jobs);
  // Showing the wizard again empties what was typed.
  Field(wizard, "txtUID")->setText("admin");
  Field(wizard, "txtPSW")->setText("admin");
  wizard.Prepare();
  EXPECT_EQ(Field(wizard, "txtUID")->text() + Field(wizard, "txtPSW")->text(), "");
}

// The range is checked when leaving step 0, before any account is asked for;
// the options without dates ignore them.
TEST_F(DeleteWizards, ARangeThatEndsBeforeItBeginsIsRefusedOnTheFirstStep) {
  frmDelete business(mUi);
  frmStDelete stock(mUi);
  for (ui::WizardFrame* wizard : std::initializer_list<ui::WizardFrame*>{&business, &stock}) {
    mUi.shown.clear();
    Choose(*wizard, Option("optDeleteType_0"), QDate(2024, 3, 3), QDate(2024, 3, 2));
    EXPECT_EQ(wizard->CurrentStep(), 0);
    EXPECT_EQ(mUi.shown, std::vector<std::string>{"box: 提示 | 开始时间不能大于结束时间！"});
    Choose(*wizard, Option("optDeleteType_1"), QDate(2024, 3, 3), QDate(2024, 3, 2));
    EXPECT_EQ(wizard->CurrentStep(), 1);
  }
}

// The cancel button reaches the run: pressed during the fifth table and
// answered Yes, nothing is deleted (what the run undoes is its own test).
TEST_F(DeleteWizards, CancelAnsweredYesUndoesEverything) {
  frmDelete wizard(mUi);
  Choose(wizard, Option("optDeleteType_0"));
  const std::string dayItems =
      "bi_BillItem WHERE BillID IN (SELECT BillID FROM bi_Bill WHERE " + std::string(kOneDay) + ")";
  const std::int64_t items = Rows(dayItems);
  ASSERT_GT(items, 0);
  mUi.answers = {true};
  mUi.onProcessEvents = [&] {
    if (Lines(wizard).size() == 5 && !mUi.answers.empty()) {
      test::Control<QPushButton>(wizard, "cmdCancel")->click();
    }
  };
  EXPECT_FALSE(Delete(wizard));
  EXPECT_EQ(Lines(wizard).size(), 5U);
  EXPECT_EQ(Rows(dayItems), items);
  EXPECT_EQ(mUi.Shown("ask: "),
            std::vector<std::string>{
                "ask: 提示 | 确定要取消删除数据吗？如果确定请点击“是”；否则，点击“否”则继续..."});
  EXPECT_TRUE(test::Idle(wizard));
}

TEST_F(DeleteWizards, TheBackupButtonOpensTheMatchingBackupWizard) {
  frmDelete business(mUi);
  frmDDDelete base(mUi);
  frmStDelete stock(mUi);
  test::ModalCloser closer;
  for (DeleteWizard* wizard : std::initializer_list<DeleteWizard*>{&business, &base, &stock}) {
    wizard->Prepare();
    wizard->show();
    closer.CloseNext();
    wizard->findChild<QPushButton*>("cmdBackup")->click();
  }
  EXPECT_EQ(closer.closed, (std::vector<std::string>{"frmBackup", "frmDDBackup", "frmStBackup"}));
}

}  // namespace
}  // namespace tavex
