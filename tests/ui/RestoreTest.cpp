#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "FakeUiServices.h"
#include "WizardControls.h"
#include "cli/SampleDatabase.h"
#include "engine/Package.h"
#include "maintenance/BackupDefinitions.h"
#include "support/HostDatabase.h"
#include "support/PackageFiles.h"
#include "support/PackageForge.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "wizards/frmRestore.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

// A backup package of `count` rows of one base-data table (dd_Reason) made
// from a branch database, and a host database with that table empty, which
// the wizard restores into.
class RestoreWizard : public ::testing::Test {
 protected:
  RestoreWizard() {
    mHost->Execute("CREATE TABLE dd_Reason (ReasonID TEXT PRIMARY KEY, ReasonName TEXT)");
    mWizard.Prepare();
    mWizard.show();
  }

  // Writes a package of `count` rows of dd_Reason to `path` (folders made
  // as needed), which empties the table before it merges.
  void WritePackage(const std::string& path, int count) {
    std::vector<std::string> rows;
    for (int i = 1; i <= count; ++i) rows.push_back("('D" + std::to_string(i) + "', '炒饭')");
    const std::string package =
        mForge.Build({{"dd_Reason",
                       "ReasonID TEXT PRIMARY KEY, ReasonName TEXT",
                       rows,
                       {{engine::kKindBeforeStep, "DELETE FROM dd_Reason"}}}});
    fs::create_directories(fs::path(path).parent_path());
    test::WriteFile(path, package);
  }

  static void Pack(const std::string& source, const std::string& target) {
    ASSERT_EQ(test::Pack(source, target), 0);
  }

  // Goes past the welcome step and runs the restore of `path`.
  bool Restore(const std::string& path) {
    EXPECT_EQ(test::Next(mWizard), 1);
    File()->setText(QString::fromStdString(path));
    return test::Next(mWizard) == 2;
  }

  std::int64_t RestoredRows() { return test::Number(*mHost, "SELECT COUNT(*) FROM dd_Reason"); }
  QLineEdit* File() { return Field("txtFileName"); }
  QLineEdit* Field(const char* name) { return mWizard.findChild<QLineEdit*>(name); }
  std::vector<std::string> Lines() { return test::ProgressLines(mWizard); }

  test::TempDir mDir;
  std::shared_ptr<db::Connection> mHost =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir));
  test::ScopedHostConnection mHostScope{mHost};
  test::TempDir mForgeDir;
  test::PackageForge mForge{mForgeDir.Path()};
  test::FakeUiServices mUi;
  frmRestore mWizard{mUi};
};

// In a folder named like a package, a package with a doubled ending is
// restored; the databases beside it are never touched and no working file
// stays behind.
TEST_F(RestoreWizard, RestoresEveryRowAndLeavesTheFolderAsItWas) {
  const std::string folder = mDir / "backups.pkg";
  WritePackage(folder + "/dishes.pkg.pkg", 25);
  test::WriteFile(folder + "/dishes.pkg.mdb", "the manager's own database");
  test::WriteFile(folder + "/dishes.mdb", "another one");
  EXPECT_TRUE(Restore(folder + "/dishes.pkg.pkg"));
  EXPECT_EQ(RestoredRows(), 25);
  EXPECT_EQ(Lines(), std::vector<std::string>{"成功复制：dd_Reason ，共 25 条数据；"});
  EXPECT_EQ(test::FolderNames(folder),
            (std::vector<std::string>{"dishes.mdb", "dishes.pkg.mdb", "dishes.pkg.pkg"}));
  EXPECT_EQ(test::ReadFile(folder + "/dishes.pkg.mdb"), "the manager's own database");
  EXPECT_EQ(test::ReadFile(folder + "/dishes.mdb"), "another one");
  EXPECT_TRUE(mUi.Shown("box: ").empty());
  EXPECT_EQ(test::NextCaption(mWizard), "完成");
  EXPECT_FALSE(test::Enabled(mWizard, "cmdCancel"));
  EXPECT_EQ(File()->toolTip().toStdString(), folder + "/dishes.pkg.pkg");
  EXPECT_TRUE(Field("txtUID")->isHidden());
  mWizard.cmdNext_Click();
  EXPECT_FALSE(mWizard.isVisible());
}

// A damaged package, and a package holding a database without a package
// definition, are both named as no valid file.
TEST_F(RestoreWizard, ADamagedFileOrOneWithoutADefinitionIsReportedOnTheProgressList) {
  const std::string package = mDir / "dishes.pkg";
  WritePackage(package, 5);
  std::string bytes = test::ReadFile(package);
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
  test::WriteFile(package, bytes);
  test::WriteFile(mDir / "plain.db", "");
  db::OpenConnection("sqlite:" + mDir / "plain.db")
      ->Execute("CREATE TABLE dd_Reason (ReasonID TEXT)");
  Pack(mDir / "plain.db", mDir / "plain.pkg");
  test::WriteFile(mDir / "dishes.mdb", "kept");
  for (const std::string& file : {package, mDir / "plain.pkg"}) {
    EXPECT_FALSE(Restore(file)) << file;
    EXPECT_EQ(Lines(), std::vector<std::string>{"错误：所选文件不是有效的数据库文件！"}) << file;
    EXPECT_TRUE(test::Idle(mWizard));
    mWizard.cmdPrev_Click();
  }
  EXPECT_EQ(RestoredRows(), 0);
  EXPECT_EQ(test::ReadFile(mDir / "dishes.mdb"), "kept");
  EXPECT_TRUE(mUi.Shown("box: ").empty());
}

// A blank field opens the chooser: cancelled, the focus goes to the field;
// a chosen file is restored.
TEST_F(RestoreWizard, ABlankFieldOpensTheChooser) {
  const std::string package = mDir / "dishes.pkg";
  WritePackage(package, 4);
  mUi.files = {std::nullopt, package};
  EXPECT_FALSE(Restore("  "));
  EXPECT_EQ(mWizard.focusWidget(), File());
  EXPECT_TRUE(Lines().empty());
  mWizard.cmdPrev_Click();
  EXPECT_TRUE(Restore(""));
  EXPECT_EQ(RestoredRows(), 4);
  EXPECT_EQ(mUi.Shown("choose: ").size(), 2U);
  EXPECT_TRUE(mUi.Shown("box: ").empty());
}

TEST_F(RestoreWizard, CancelAnsweredYesMergesNothingAndNoLetsTheMergeFinish) {
  const std::string package = mDir / "dishes.pkg";
  WritePackage(package, 30);
  mUi.onProcessEvents = [&] {
    if (mUi.processed == 1) mWizard.findChild<QPushButton*>("cmdCancel")->click();
  };
  for (const bool stop : {true, false}) {
    mUi.answers = {stop};
    mUi.processed = 0;
    EXPECT_EQ(!stop, Restore(package)) << stop;
    EXPECT_EQ(RestoredRows(), stop ? 0 : 30) << stop;
    if (stop) mWizard.cmdPrev_Click();
  }
  EXPECT_EQ(mUi.Shown("ask: ").size(), 2U);
}

// A package that replaces the accounts first asks for an account that may
// delete data; a refused one is told why, must be entered again and merges
// nothing.
TEST_F(RestoreWizard, APackageOfAccountsIsMergedOnlyUnderAnAccountThatMayDeleteData) {
  mHost->Execute("DROP TABLE dd_Reason");  // the sample makes its own
  cli::SampleOptions options;
  options.bills = 1;
  options.days = 1;
  cli::CreateSampleDatabase(mHost, options);
  const std::string package = mDir / "accounts.pkg";
  const auto accounts = DefineBaseDataBackup(ReadBaseDataBackupTexts(), {7});
  ASSERT_EQ(RunBackup(*accounts, mHost, package), RunOutcome::Done);
  mHost->Execute("UPDATE pv_User SET UserName='changed'");
  EXPECT_FALSE(Restore(package));
  EXPECT_FALSE(Field("txtUID")->isHidden());
  EXPECT_EQ(Field("txtPSW")->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(Lines().empty());
  for (const auto& [user, password, line] :
       {std::tuple{"admin", "wrong", "账号或密码错误，请重新输入！"},
        std::tuple{"cashier", "cashier", "不允许删除数据：您的权限不足！"}}) {
    Field("txtUID")->setText(user);
    Field("txtPSW")->setText(password);
    mWizard.cmdNext_Click();
    EXPECT_EQ(mWizard.CurrentStep(), 1) << user;
    EXPECT_EQ(Lines(), std::vector<std::string>{line}) << user;
    EXPECT_EQ(Field("txtUID")->text() + Field("txtPSW")->text(), "") << user;
  }
  EXPECT_EQ(test::Number(*mHost, "SELECT COUNT(*) FROM pv_User WHERE UserName<>'changed'"), 0);
  Field("txtUID")->setText("admin");
  Field("txtPSW")->setText("admin");
  mWizard.cmdNext_Click();
  EXPECT_EQ(mWizard.CurrentStep(), 2);
  EXPECT_EQ(test::Number(*mHost, "SELECT COUNT(*) FROM pv_User WHERE UserName='changed'"), 0);
  EXPECT_TRUE(mUi.Shown("box: ").empty());
}

// A packed file that is no database, and a failure no check foresaw (no
// temporary folder), show the import fault box.
TEST_F(RestoreWizard, AFileThatIsNoDatabaseOrAnUnexpectedFailureShowsTheImportFaultBox) {
  test::WriteFile(mDir / "plain.txt", "just text, long enough to be read as a database header");
  Pack(mDir / "plain.txt", mDir / "plain.pkg");
  const std::string package = mDir / "dishes.pkg";
  WritePackage(package, 1);
  std::optional<test::ScopedEnv> noTemp;
  for (const std::string& file : {mDir / "plain.pkg", package}) {
    if (file == package) noTemp.emplace("TMPDIR", mDir / "missing");
    mUi.shown.clear();
    EXPECT_FALSE(Restore(file)) << file;
    const auto boxes = mUi.Shown("box: ");
    ASSERT_EQ(boxes.size(), 1U) << file;
    EXPECT_EQ(boxes.front().rfind("box: 提示 | 导入数据失败!\r", 0), 0U) << boxes.front();
    EXPECT_TRUE(test::Enabled(mWizard, "cmdClose"));
    mWizard.cmdPrev_Click();
  }
  EXPECT_EQ(RestoredRows(), 0);
}

}  // namespace
}  // namespace tavex
