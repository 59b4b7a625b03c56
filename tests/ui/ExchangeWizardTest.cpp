#include <gtest/gtest.h>

#include <QCheckBox>
#include <filesystem>
#include <functional>

#include "FakeUiServices.h"
#include "WizardControls.h"
#include "cli/SampleDatabase.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "storage/SyncLog.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/ScopedHostConnection.h"
#include "ui/FractionalProgressBar.h"
#include "wizards/frmDownload.h"
#include "wizards/frmMemberSyn.h"
#include "wizards/frmUpload.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::Lines;

// One exchange wizard in a table: how to make it, what to choose on its
// first step, and its lblInfo after a failed and after a good run.
struct ExchangeCase {
  const char* name;
  std::function<std::unique_ptr<ui::WizardFrame>(ui::UiServices&)> make;
  const char* choice;  // a check box to click on step 0, or nullptr
  const char* failedInfo;
  const char* doneInfo;
  bool keepsFailedPackage;  // in the temporary folder until the wizard closes
};

template <typename Wizard>
std::unique_ptr<ui::WizardFrame> Make(ui::UiServices& ui) {
  return std::make_unique<Wizard>(ui);
}

const ExchangeCase kWizards[] = {
    {"upload", Make<frmUpload>, "chkDataType_1", "上传数据尚未完成！", "上传数据已经完成！", true},
    {"download", Make<frmDownload>, nullptr, "下载数据已经开始！", "下载数据已经完成！", false},
    {"members", Make<frmMemberSyn>, nullptr, "数据同步尚未完成！", "数据同步已经完成！", true},
};

// Branch B01 with the sample's rows waiting to be sent, and a real FTP
// server with the branch's folders and nothing waiting for it.
class ExchangeWizards : public ::testing::Test {
 protected:
  ExchangeWizards() {
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
  }

  void UsePort(int port) {
    mHome.WriteOptions("[FTP]\nPort=" + std::to_string(port) + "\nTimeOut=10\n");
  }
  // Shows `c`'s wizard and makes its choice on the welcome step.
  std::unique_ptr<ui::WizardFrame> Open(const ExchangeCase& c) {
    auto wizard = c.make(mUi);
    wizard->Prepare();
    wizard->show();
    if (c.choice != nullptr) test::Control<QCheckBox>(*wizard, c.choice)->click();
    return wizard;
  }
  bool TempHasPackage() const {
    if (!fs::is_directory(mHome / "Temp")) return false;
    for (const auto& entry : fs::directory_iterator(mHome / "Temp")) {
      if (entry.path().extension() == ".pkg") return true;
    }
    return false;
  }

  test::PluginHome mHome;
  test::TempDir mDir;
  std::shared_ptr<db::Connection> mHost =
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, mDir));
  test::ScopedHostConnection mHostScope{mHost};
  test::FtpServer mServer;
  test::FakeUiServices mUi;
};

// A run that fails stays idle on the progress panel with the bar full and
// shows no box; Next runs again and its lines follow the failed run's. Going
// back past the welcome step empties the panel. Closing releases the
// package files and opens the log, which holds the run's lines, when asked to.
TEST_F(ExchangeWizards, AFailedRunStaysOnItsPanelNextRunsAgainAndClosingReleasesTheFiles) {
  for (const ExchangeCase& c : kWizards) {
    SCOPED_TRACE(c.name);
    mUi.shown.clear();
    const auto wizard = Open(c);
    ASSERT_EQ(test::Next(*wizard), 1);
    UsePort(1);
    EXPECT_EQ(test::Next(*wizard), 1);
    const Lines failed = test::ProgressLines(*wizard);
    ASSERT_FALSE(failed.empty());
    EXPECT_EQ(failed.back(), "FTP连接失败！请检查网络连接是否正确。");
    EXPECT_EQ(test::Info(*wizard), c.failedInfo);
    EXPECT_EQ(test::Control<ui::FractionalProgressBar>(*wizard, "ProgressBar")->Value(), 100);
    EXPECT_TRUE(test::Idle(*wizard));
    EXPECT_FALSE(wizard->CancelFlag());
    EXPECT_EQ(test::NextCaption(*wizard), "下一步");
    EXPECT_EQ(TempHasPackage(), c.keepsFailedPackage);

    UsePort(mServer.Port());
    EXPECT_EQ(test::Next(*wizard), 2);
    const Lines both = test::ProgressLines(*wizard);
    EXPECT_TRUE(both.size() > failed.size() &&
                std::equal(failed.begin(), failed.end(), both.begin()));
    EXPECT_EQ(test::Info(*wizard), c.doneInfo);
    EXPECT_EQ(test::NextCaption(*wizard), "完成");

    wizard->cmdPrev_Click();
    wizard->cmdPrev_Click();
    EXPECT_EQ(test::Next(*wizard), 1);
    EXPECT_TRUE(test::ProgressLines(*wizard).empty());
    EXPECT_EQ(test::Info(*wizard), "");
    EXPECT_EQ(test::Next(*wizard), 2);

    test::Control<QCheckBox>(*wizard, "chkViewLog")->setChecked(true);
    wizard->cmdNext_Click();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(TempHasPackage());
    EXPECT_EQ(mUi.shown, Lines{"view: " + GetLastLogFile()});
    EXPECT_NE(test::ReadFile(GetLastLogFile()).find(failed.back()), std::string::npos);
  }
}

// A failure raised inside a run is shown in a box under the common title; a
// cancel answered Yes is a line. Either way the run failed.
TEST_F(ExchangeWizards, ARunStoppedMidwayShowsWhyAndStays) {
  const ExchangeCase& upload = kWizards[0];
  const ExchangeCase& members = kWizards[2];
  ui::WizardFrame* current = nullptr;
  // Calls `action` whenever the last line of the current wizard starts with `start`.
  const auto onLine = [&](const std::string& start, std::function<void()> action) {
    mUi.onProcessEvents = [&current, start, action] {
      const Lines lines = test::ProgressLines(*current);
      if (!lines.empty() && lines.back().starts_with(start)) action();
    };
  };
  struct Case {
    const char* name;
    const ExchangeCase& wizard;
    std::function<void()> breakIt;
    std::string shown;  // the box, or else the last line
  };
  const Case cases[] = {
      {"upload without a temporary folder", upload,
       [&] {
         onLine("正在导出数据...", [&] {
           fs::remove_all(mHome / "Temp");
           test::WriteFile(mHome / "Temp", "not a folder");
         });
       },
       "box: 提示 | 导出数据失败："},
      {"upload cancelled", upload,
       [&] {
         mUi.answers = {true};
         onLine("正在复制：", [&] { test::Control<QPushButton>(*current, "cmdCancel")->click(); });
       },
       "导出数据已经被取消！"},
      {"members whose staging cannot be made", members,
       [&] { mHost->Execute("CREATE VIEW mb_Summary_Upload AS SELECT * FROM mb_Summary"); },
       "box: 提示 | 数据上传失败："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mUi.shown.clear();
    const auto wizard = Open(c.wizard);
    current = wizard.get();
    ASSERT_EQ(test::Next(*wizard), 1);
    c.breakIt();
    EXPECT_EQ(test::Next(*wizard), 1);
    mUi.onProcessEvents = nullptr;
    const Lines boxes = mUi.Shown("box: ");
    if (c.shown.starts_with("box: ")) {
      ASSERT_EQ(boxes.size(), 1U);
      EXPECT_TRUE(boxes[0].starts_with(c.shown)) << boxes[0];
    } else {
      EXPECT_TRUE(boxes.empty());
      EXPECT_EQ(test::ProgressLines(*wizard).back(), c.shown);
    }
    EXPECT_EQ(test::Info(*wizard), c.wizard.failedInfo);
    EXPECT_TRUE(test::Idle(*wizard));
    if (fs::is_regular_file(mHome / "Temp")) fs::remove(mHome / "Temp");
  }
}

}  // namespace
}  // namespace tavex
