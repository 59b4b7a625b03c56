#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <functional>

#include "DownloadFixture.h"
#include "FakeUiServices.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "storage/SyncLog.h"
#include "support/HostDatabase.h"
#include "wizards/frmDownload.h"

namespace tavex {
namespace {

using Lines = std::vector<std::string>;

const Lines kNothingWaiting = {"正在建立FTP连接：127.0.0.1 ...",
                               "正在打开FTP文件夹：ForDownload\\HQ ...", "FTP上没有要下载的文件！"};

// The download wizard at head office, shown offscreen on its welcome panel;
// the run's behaviour does not depend on the backend.
class DownloadWizard : public test::DownloadFixture {
 protected:
  void SetUp() override {
    DownloadFixture::SetUp();
    ExchangeContext::Instance().SetConnection(Hq());
    mWizard.Prepare();
    mWizard.show();
  }

  // Next on the current panel; the panel shown afterwards.
  int Next() {
    mWizard.cmdNext_Click();
    return mWizard.CurrentStep();
  }
  // From the welcome panel through a run; true when it reached the finish panel.
  bool Run() { return Next() == 1 && Next() == 2; }

  template <typename T = QWidget>
  T* Control(const char* name) {
    return mWizard.findChild<T*>(name);
  }
  Lines WizardLines() { return Control<ui::ProgressListWidget>("lstProgress")->Lines(); }
  std::string Info() { return Control<QLabel>("lblInfo")->text().toStdString(); }
  bool Enabled(const char* name) { return Control(name)->isEnabled(); }
  void SetFtpServer(const std::string& host) {
    SettingsStore(Hq()).SetSetting(kSettingFtpServer, host);
  }

  test::FakeUiServices mUi;
  frmDownload mWizard{mUi};
};

TEST_P(DownloadWizard, NothingWaitingFinishesAndOpensTheLogOnlyWhenAsked) {
  for (const bool viewLog : {false, true}) {
    mUi.shown.clear();
    if (viewLog) {
      mWizard.Prepare();
      mWizard.show();
    }
    ASSERT_TRUE(Run()) << viewLog;
    EXPECT_EQ(WizardLines(), kNothingWaiting);
    EXPECT_EQ(Control<QLabel>("lblSuccess")->text(), "数据已经下载成功");
    EXPECT_EQ(Info(), "下载数据已经完成！");
    EXPECT_EQ(Control<ui::FractionalProgressBar>("ProgressBar")->Value(), 100);
    EXPECT_EQ(Control<QPushButton>("cmdNext")->text(), "完成");
    EXPECT_FALSE(Enabled("cmdCancel"));
    Control<QCheckBox>("chkViewLog")->setChecked(viewLog);
    mWizard.cmdNext_Click();
    EXPECT_FALSE(mWizard.isVisible());
    EXPECT_EQ(mUi.Shown("view: "), viewLog ? Lines{"view: " + GetLastLogFile()} : Lines{});
  }
  EXPECT_EQ(GetLastLogFile().rfind(mHome / "Log/", 0), 0U);
  EXPECT_NE(SyncLogText().find("FTP上没有要下载的文件！"), std::string::npos);
  EXPECT_TRUE(mUi.Shown("box: ").empty());
}

TEST_P(DownloadWizard, AWaitingPackageIsMergedWithItsCopyLines) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 3));
  ASSERT_TRUE(Run());
  EXPECT_EQ(Count("bi_Bill"), 3);
  EXPECT_EQ(Count("bi_BillItem"), 6);
  const Lines lines = WizardLines();
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
            (Lines{"成功复制：21. 消费账单表 ，共 3 条数据；",
                   "成功复制：23. 消费明细表 ，共 6 条数据；", "导入数据成功！"}));
  EXPECT_EQ(Info(), "下载数据已经完成！");
  EXPECT_FALSE(ServerHas("B01-1.pkg"));
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

// A run that fails shows no box and stays on the progress panel, idle, with
// the start text. Next runs again, refusing to close while it runs, and its
// lines follow those of the failed run; going back past the welcome panel
// empties the list.
TEST_P(DownloadWizard, AFailedRunStaysOnTheProgressPanelAndNextRunsAgain) {
  struct Case {
    const char* name;
    std::function<void()> breakIt;
    std::function<void()> mendIt;
    const char* lastLine;
  };
  const Case cases[] = {
      {"damaged", [&] { PutPackage("B01-1.pkg", Truncated(BillPackage("B01", 1, 2))); }, [] {},
       "备份文件到错误目录！"},
      {"unreachable", [&] { SetFtpServer("127.0.0.2"); }, [&] { SetFtpServer(mServer.Host()); },
       "FTP连接失败！请检查网络连接是否正确。"},
  };
  ASSERT_EQ(Next(), 1);
  for (const Case& c : cases) {
    c.breakIt();
    EXPECT_EQ(Next(), 1) << c.name;
    const Lines failed = WizardLines();
    EXPECT_EQ(failed.back(), c.lastLine) << c.name;
    EXPECT_EQ(Info(), "下载数据已经开始！") << c.name;
    EXPECT_EQ(Control<ui::FractionalProgressBar>("ProgressBar")->Value(), 100) << c.name;
    for (const char* name : {"cmdPrev", "cmdNext", "cmdClose"}) EXPECT_TRUE(Enabled(name)) << name;
    EXPECT_FALSE(Enabled("cmdCancel")) << c.name;
    EXPECT_EQ(Control<QPushButton>("cmdNext")->text(), "下一步") << c.name;
    EXPECT_TRUE(mUi.Shown("box: ").empty()) << c.name;

    c.mendIt();
    mUi.onProcessEvents = [&] {
      mWizard.close();
      EXPECT_FALSE(Enabled("cmdNext"));
    };
    EXPECT_EQ(Next(), 2) << c.name;
    mUi.onProcessEvents = nullptr;
    EXPECT_TRUE(mWizard.isVisible()) << c.name;
    Lines both = failed;
    both.insert(both.end(), kNothingWaiting.begin(), kNothingWaiting.end());
    EXPECT_EQ(WizardLines(), both) << c.name;

    mWizard.cmdPrev_Click();
    mWizard.cmdPrev_Click();
    EXPECT_EQ(Next(), 1) << c.name;
    EXPECT_TRUE(WizardLines().empty()) << c.name;
    EXPECT_EQ(Info(), "") << c.name;
  }
  EXPECT_EQ(Count("bi_Bill"), 0);
}

// A click on cmdCancel while the package is still being fetched is asked
// about once its import starts; Yes ends the run as a cancelled import.
// A cancel is the user's choice, not the package's fault: it waits.
TEST_P(DownloadWizard, CancelAnsweredYesKeepsThePackageForTheNextRunAndStaysOnTheProgressPanel) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 3));
  mUi.answers = {true};
  mUi.onProcessEvents = [&] {
    if (Enabled("cmdCancel") && !mWizard.CancelFlag() && mUi.Shown("ask: ").empty()) {
      Control<QPushButton>("cmdCancel")->click();
    }
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(mUi.Shown("ask: ").size(), 1U);
  EXPECT_FALSE(mWizard.CancelFlag());
  const Lines lines = WizardLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "导入数据已经被取消！"), lines.end());
  EXPECT_EQ(Count("bi_Bill"), 0);
  EXPECT_TRUE(FilesBelow("ErrPackage").empty());
  EXPECT_EQ(FilesBelow("Temp"), (Lines{"B01-1.pkg", "Pending/B01-1.pkg"}));
}

INSTANTIATE_TEST_SUITE_P(, DownloadWizard, testing::Values(db::Backend::Sqlite), test::BackendName);

}  // namespace
}  // namespace tavex
