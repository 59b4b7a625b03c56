#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <filesystem>

#include "FakeUiServices.h"
#include "cli/SampleDatabase.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "storage/SyncLog.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "wizards/frmMemberSyn.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

// A branch with the sample's member rows waiting to be sent, a real FTP
// server with the branch's folders, and the wizard on its welcome panel.
class MemberSynWizard : public ::testing::Test {
 protected:
  MemberSynWizard() {
    cli::SampleOptions sample;
    sample.bills = 10;
    sample.days = 1;
    cli::CreateSampleDatabase(mHost, sample);
    UsePort(mServer.Port());
    SettingsStore settings(mHost);
    settings.SetSetting(kSettingFtpServer, mServer.Host());
    settings.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
    settings.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
    mServer.MakeFolder("ForUpload");
    mServer.MakeFolder("ForDownload/B01");
    mWizard.Prepare();
    mWizard.show();
  }

  void UsePort(int port) {
    mHome.WriteOptions("[FTP]\nPort=" + std::to_string(port) + "\nTimeOut=10\n");
  }
  void SentEverything() {
    for (const char* table :
         {"mb_Member", "mb_MemberCard", "mb_Consume", "mb_Summary", "mb_GiftSend"}) {
      mHost->Execute(std::string("UPDATE ") + table + " SET IsUploaded=1");
    }
  }
  std::int64_t UnsentMembers() {
    return test::Number(*mHost, "SELECT COUNT(*) FROM mb_Member WHERE IsUploaded=0");
  }
  // Next on the welcome panel, then Next to run: the panel shown after.
  int Run() {
    if (mWizard.CurrentStep() == 0) mWizard.cmdNext_Click();
    mWizard.cmdNext_Click();
    return mWizard.CurrentStep();
  }
  bool TempHasPackage() const {
    for (const auto& entry : fs::directory_iterator(mHome / "Temp")) {
      if (entry.path().extension() == ".pkg") return true;
    }
    return false;
  }
  std::vector<std::string> Lines() {
    return mWizard.findChild<ui::ProgressListWidget*>("lstProgress")->Lines();
  }
  bool HasLine(const std::string& line) {
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::string Info() { return mWizard.findChild<QLabel*>("lblInfo")->text().toStdString(); }

  test::PluginHome mHome;
  test::TempDir mDir;
  std::shared_ptr<db::Connection> mHost =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir));
  test::ScopedHostConnection mHostScope{mHost};
  test::FtpServer mServer;
  test::FakeUiServices mUi;
  frmMemberSyn mWizard{mUi};
};

TEST_F(MemberSynWizard, NothingToSendAndNothingWaitingFinishesAndShowsTheLogWhenAsked) {
  SentEverything();
  ASSERT_EQ(2, Run());
  EXPECT_EQ(Lines().front(), "没有新的数据需要上传...");
  EXPECT_TRUE(HasLine("FTP上没有要下载的文件！"));
  EXPECT_EQ(Info(), "数据同步已经完成！");
  EXPECT_EQ(mWizard.findChild<QPushButton*>("cmdNext")->text(), "完成");
  mWizard.findChild<QCheckBox*>("chkViewLog")->setChecked(true);
  mWizard.cmdNext_Click();
  EXPECT_FALSE(mWizard.isVisible());
  EXPECT_EQ(mUi.Shown("view: "), std::vector<std::string>{"view: " + GetLastLogFile()});
  EXPECT_TRUE(mUi.Shown("box: ").empty());
}

// Server unreachable: nothing marked, no download tried, the package kept
// until the wizard closes; Next runs again and the lines follow the first
// run's. The second run sends and fetches.
TEST_F(MemberSynWizard, AFailedSendStaysOnTheProgressPanelAndKeepsThePackageUntilClosed) {
  const std::int64_t unsent = UnsentMembers();
  UsePort(1);
  EXPECT_EQ(1, Run());
  EXPECT_EQ(Info(), "数据同步尚未完成！");
  EXPECT_TRUE(HasLine("FTP连接失败！请检查网络连接是否正确。"));
  EXPECT_FALSE(HasLine("FTP上没有要下载的文件！"));
  EXPECT_EQ(unsent, UnsentMembers());
  EXPECT_TRUE(TempHasPackage());
  EXPECT_TRUE(mWizard.findChild<QPushButton*>("cmdClose")->isEnabled());
  const std::size_t firstRun = Lines().size();

  UsePort(mServer.Port());
  EXPECT_EQ(2, Run());
  EXPECT_EQ(Lines().front(), "正在准备数据：分店【分店 B01】");
  EXPECT_GT(Lines().size(), 2 * firstRun);
  EXPECT_EQ(0, UnsentMembers());
  EXPECT_EQ(1u, mServer.List("ForUpload").size());
  EXPECT_TRUE(TempHasPackage());
  mWizard.cmdNext_Click();
  EXPECT_FALSE(TempHasPackage());
  EXPECT_TRUE(mUi.Shown("view: ").empty());
}

TEST_F(MemberSynWizard, CancellingTheExportMarksNothingAndSkipsTheDownload) {
  const std::int64_t unsent = UnsentMembers();
  mUi.onProcessEvents = [&] {
    if (HasLine("正在导出数据...")) mWizard.findChild<QPushButton*>("cmdCancel")->click();
  };
  mUi.answers = {true};
  EXPECT_EQ(1, Run());
  EXPECT_TRUE(HasLine("导出数据已经被取消！"));
  EXPECT_EQ(Info(), "数据同步尚未完成！");
  EXPECT_FALSE(HasLine("FTP上没有要下载的文件！"));
  EXPECT_EQ(unsent, UnsentMembers());
  EXPECT_EQ(mUi.Shown("ask: ").size(), 1U);
  EXPECT_TRUE(mServer.List("ForUpload").empty());
}

// That nothing is marked is the run's own test.
TEST_F(MemberSynWizard, AFailureRaisedWhileSendingIsShownInOneBox) {
  mHost->Execute("CREATE VIEW mb_Summary_Upload AS SELECT * FROM mb_Summary");
  EXPECT_EQ(1, Run());
  const auto boxes = mUi.Shown("box: ");
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes.front().rfind("box: 提示 | 数据上传失败：", 0), 0U) << boxes.front();
  EXPECT_EQ(Info(), "数据同步尚未完成！");
}

}  // namespace
}  // namespace tavex
