#include <gtest/gtest.h>

#include <QDate>
#include <QListWidget>
#include <QRadioButton>
#include <filesystem>

#include "FakeUiServices.h"
#include "WizardControls.h"
#include "cli/SampleDatabase.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "wizards/frmBackup.h"
#include "wizards/frmDDBackup.h"
#include "wizards/frmExport.h"
#include "wizards/frmStBackup.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

// The backup wizards and the member export on a sample host database. What
// the runs write and keep is the maintenance tests' part.
class FileWizards : public ::testing::Test {
 protected:
  FileWizards() {
    cli::SampleOptions options;
    options.bills = 20;
    cli::CreateSampleDatabase(mHost, options);
  }

  // Prepares `wizard`, lets `choose` pick on step 0, then runs step 1 with
  // `path`; true when the wizard reached its last step.
  template <typename Wizard>
  bool Run(Wizard& wizard, const std::string& path, const std::function<void()>& choose = {}) {
    wizard.Prepare();
    wizard.show();
    if (choose) choose();
    wizard.cmdNext_Click();
    if (wizard.CurrentStep() != 1) return false;
    for (auto* field : wizard.template findChildren<QLineEdit*>()) {
      if (field->objectName().startsWith("txt")) field->setText(QString::fromStdString(path));
    }
    wizard.cmdNext_Click();
    return wizard.CurrentStep() == 2;
  }

  static std::vector<std::string> Lines(QWidget& wizard) { return test::ProgressLines(wizard); }
  static void Choose(QWidget& wizard, const char* option) {
    wizard.findChild<QRadioButton*>(option)->setChecked(true);
  }

  test::PluginHome mHome;
  test::TempDir mDir;
  std::shared_ptr<db::Connection> mHost =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir));
  test::ScopedHostConnection mHostScope{mHost};
  test::FakeUiServices mUi;
};

TEST_F(FileWizards, BusinessBackupOfAllBillsIsWrittenToThePathAsTyped) {
  frmBackup wizard(mUi);
  const std::string path = mHome / "all-bills";
  ASSERT_TRUE(Run(wizard, path, [&] { Choose(wizard, "optDeleteType_1"); }));
  EXPECT_EQ(wizard.findChild<QLabel*>("lblFileName")->text().toStdString(), path);
  EXPECT_EQ(Lines(wizard).front(), "成功复制：1. 消费账单表 ，共 20 条数据；");
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_TRUE(mUi.Shown("box: ").empty());
}

// Cancelled (Yes to the question) and failed runs stay on the file step;
// only the failure shows a box.
TEST_F(FileWizards, ACancelledOrFailedBackupStaysOnTheFileStep) {
  frmBackup wizard(mUi);
  mUi.answers = {true};
  mUi.onProcessEvents = [&] {
    if (wizard.IsBusy()) test::Control<QPushButton>(wizard, "cmdCancel")->click();
  };
  EXPECT_FALSE(Run(wizard, mHome / "backup.pkg", [&] { Choose(wizard, "optDeleteType_1"); }));
  EXPECT_EQ(mUi.Shown("ask: ").size(), 1U);
  EXPECT_TRUE(mUi.Shown("box: ").empty());
  mUi.onProcessEvents = nullptr;
  mHost->Execute("DROP TABLE bi_SubBill");
  EXPECT_EQ(test::Next(wizard), 1);
  EXPECT_EQ(mUi.Shown("box: "), std::vector<std::string>{"box: 提示 | 导出数据失败!"});
  EXPECT_EQ(test::NextCaption(wizard), "下一步");
  EXPECT_TRUE(test::Idle(wizard));
}

TEST_F(FileWizards, BaseDataBackupStartsWithEveryGroupAndBacksUpTheChosenOnes) {
  frmDDBackup wizard(mUi);
  wizard.Prepare();
  auto* list = wizard.findChild<QListWidget*>("lstData");
  ASSERT_EQ(list->count(), 7);
  EXPECT_EQ(list->item(5)->text(), "6. 会员类基础数据");
  EXPECT_EQ(list->selectedItems().size(), 7);
  wizard.findChild<QPushButton*>("cmdSelectNone")->click();
  wizard.cmdNext_Click();
  EXPECT_EQ(wizard.CurrentStep(), 0);
  EXPECT_EQ(mUi.Shown("box: "),
            std::vector<std::string>{"box: 提示 | 请选择要备份的基础数据类型！"});
  list->item(5)->setSelected(true);
  wizard.cmdNext_Click();
  ASSERT_EQ(wizard.CurrentStep(), 1);
  const std::string proposed = mHome.Path() + "/基础数据备份" +
                               QDate::currentDate().toString("yyyyMMdd").toStdString() + ".pkg";
  EXPECT_EQ(wizard.findChild<QLineEdit*>("txtDbName")->text().toStdString(), proposed);
  wizard.cmdNext_Click();
  EXPECT_EQ(wizard.CurrentStep(), 2);
  EXPECT_EQ(Lines(wizard),
            (std::vector<std::string>{"成功复制：6.01 会员兑分物品表 ，共 2 条数据；",
                                      "成功复制：6.02 会员类型表 ，共 2 条数据；"}));
}

TEST_F(FileWizards, StockBackupOfTheMasterTablesCopiesTheSixTables) {
  frmStBackup wizard(mUi);
  ASSERT_TRUE(Run(wizard, mHome / "stock.pkg", [&] { Choose(wizard, "optDeleteType_2"); }));
  std::vector<std::string> captions;
  for (const std::string& line : Lines(wizard))
    captions.push_back(line.substr(0, line.find(" ，")));
  EXPECT_EQ(captions, (std::vector<std::string>{"成功复制：仓位表", "成功复制：领料部门表",
                                                "成功复制：物品类别表", "成功复制：库存物品表",
                                                "成功复制：供应商类别表", "成功复制：供应商表"}));
}

// A blank field opens a chooser for a file to write, offering both kinds.
TEST_F(FileWizards, MemberExportChoosesANewFileAndWritesTheTable) {
  frmExport wizard(mUi);
  const std::string path = mHome / "members.db";
  mUi.files = {path};
  ASSERT_TRUE(Run(wizard, ""));
  EXPECT_EQ(mUi.Shown("choose: "),
            std::vector<std::string>{"choose: " + mHome.Path() +
                                     " |  | 数据库文件(*.db)|*.db|CSV 文件(*.csv)|*.csv | save"});
  EXPECT_EQ(wizard.findChild<QLabel*>("lblFileName")->text().toStdString(), path);
  auto file = db::OpenConnection("sqlite:" + path);
  EXPECT_EQ(test::Number(*file, "SELECT COUNT(*) FROM [会员卡资料]"),
            test::Number(*mHost, "SELECT COUNT(*) FROM mb_MemberInfo"));
}

}  // namespace
}  // namespace tavex
