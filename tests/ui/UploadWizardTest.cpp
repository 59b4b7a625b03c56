#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include "FakeUiServices.h"
#include "UploadHost.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "storage/SyncLog.h"
#include "storage/UserSettings.h"
#include "support/FtpServer.h"
#include "wizards/frmUpload.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The upload wizard of branch B01 (the sample's two days of bills, from
// 2024-03-01), shown offscreen on its welcome panel, with a real FTP server
// holding the upload folder. The run's behaviour does not depend on the
// backend.
class UploadWizard : public test::UploadHostTest {
 protected:
  void SetUp() override {
    UploadHostTest::SetUp();
    test::WriteFile(Home() + "/Octopus/MAIN.INI",
                    "[FTP]\nPort=" + std::to_string(mServer.Port()) + "\nTimeOut=10\n");
    auto& settings = ExchangeContext::Instance().Settings();
    SetFtpServer(mServer.Host());
    settings.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
    settings.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
    mServer.MakeFolder("ForUpload");
    Open();
  }

  static void SetFtpServer(const std::string& host) {
    ExchangeContext::Instance().Settings().SetSetting(kSettingFtpServer, host);
  }
  // A new wizard, as the next opening shows it.
  void Open() {
    mWizard = std::make_unique<frmUpload>(mUi);
    mWizard->Prepare();
    mWizard->show();
  }
  int Next() {
    mWizard->cmdNext_Click();
    return mWizard->CurrentStep();
  }
  template <typename T = QWidget>
  T* Control(const QString& name) {
    return mWizard->findChild<T*>(name);
  }
  void Check(const QString& name) { Control<QAbstractButton>(name)->click(); }
  void Pick(const QString& picker, int day) {
    Control<QDateEdit>(picker)->setDate(QDate(2024, 3, day));
  }
  bool Selected(const QString& name) { return Control<QRadioButton>(name)->isChecked(); }
  bool Shown(const QString& name) { return !Control(name)->isHidden(); }
  Lines WizardLines() { return Control<ui::ProgressListWidget>("lstProgress")->Lines(); }
  std::string Info() { return Control<QLabel>("lblInfo")->text().toStdString(); }
  std::string Setting(const char* key) {
    return GetUserSetting("Tavolo", "tavExDataApp", key, "(none)");
  }
  Lines TempFiles() const {
    Lines names;
    for (const auto& entry : fs::directory_iterator(TempFolder())) {
      names.push_back(entry.path().string());
    }
    return names;
  }

  test::FtpServer mServer;
  test::FakeUiServices mUi;
  std::unique_ptr<frmUpload> mWizard;
};

TEST_P(UploadWizard, TheOptionChoicesAreKeptPerUserAndSelectedAgainOnOpening) {
  EXPECT_TRUE(Selected("optDataType_0") && Selected("optUploadType_0"));
  Check("optDataType_1");
  Check("optUploadType_1");
  EXPECT_EQ(Setting("UploadAll"), "1");
  EXPECT_EQ(Setting("UploadType"), "1");
  Control<QCheckBox>("chkDataType_2")->setChecked(true);
  Open();
  EXPECT_TRUE(Selected("optDataType_1") && Selected("optUploadType_1"));
  EXPECT_FALSE(Control<QCheckBox>("chkDataType_2")->isChecked());
  Check("optDataType_0");
  EXPECT_EQ(Setting("UploadAll"), "0");
  EXPECT_EQ(Setting("UploadType"), "1");
  // Any number other than 0 selects the second option.
  for (const auto& [stored, second] :
       {std::pair{"2", true}, std::pair{" 1 ", true}, std::pair{"0", false},
        std::pair{"yes", false}, std::pair{"", false}}) {
    SaveUserSetting("Tavolo", "tavExDataApp", "UploadAll", stored);
    Open();
    EXPECT_EQ(Selected("optDataType_1"), second) << stored;
    EXPECT_EQ(Selected("optDataType_0"), !second) << stored;
  }
}

TEST_P(UploadWizard, WithoutADataTypeTheWizardSaysSoAndStays) {
  EXPECT_EQ(Next(), 0);
  EXPECT_EQ(mUi.shown, Lines{"box: 提示 | 至少必须选择一种上传的数据类型！"});
  for (const char* type : {"chkDataType_0", "chkDataType_1", "chkDataType_2", "chkDataType_3"}) {
    Open();
    Check(type);
    EXPECT_EQ(Next(), 1) << type;
    EXPECT_TRUE(WizardLines().empty());
  }
  EXPECT_EQ(mUi.shown.size(), 1U);
}

// "仅导出数据": the last step shows the kept copy, and closing deletes the
// package file in the temporary folder, so only the copy remains.
// Both date ranges start at today.
TEST_P(UploadWizard, ExportOnlyShowsTheKeptCopyAndClosingLeavesOnlyIt) {
  Check("chkDataType_1");
  Check("chkDataType_3");
  Check("optUploadType_1");
  ASSERT_EQ(Next(), 1);
  ASSERT_EQ(Next(), 2) << testing::PrintToString(WizardLines());
  const std::string kept = Control<QLineEdit>("txtFileName")->text().toStdString();
  EXPECT_TRUE(Shown("txtFileName") && Shown("lblNotice_4"));
  EXPECT_TRUE(kept.starts_with(Home() + "/BckPackage/")) << kept;
  EXPECT_TRUE(kept.ends_with("-R.pkg")) << kept;
  EXPECT_EQ(Info(), "上传数据已经完成！");
  const auto rows = [&](const char* table) {
    return std::to_string(Count(std::string("SELECT COUNT(*) FROM ") + table));
  };
  const std::string today = QDate::currentDate().toString("yyyyMMdd").toStdString();
  EXPECT_EQ(WizardLines(),
            (Lines{"正在生成原材料耗量表：st_BOM_" + today, "正在导出数据...",
                   "成功复制：31. 库存日报表 ，共 " + rows("st_Inventory_Full") + " 条数据；",
                   "成功复制：43. 原材料耗量表 ，共 " + rows("st_StockItem") + " 条数据；"}));
  EXPECT_EQ(TempFiles().size(), 1U);
  EXPECT_TRUE(mServer.List("ForUpload").empty());
  mWizard->cmdNext_Click();
  EXPECT_FALSE(mWizard->isVisible());
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(test::UnpackedPackage(kept).Checked());
  EXPECT_TRUE(mUi.Shown("view: ").empty());
}

// "同时上传明细数据" sends the bills of the range again without marking any,
// the bar is stepped while the send works, and the exported-file field is
// hidden on the last step.
TEST_P(UploadWizard, ASendWithTheBillsMarksNothingAndHidesTheFileField) {
  Exec("UPDATE bi_Bill SET IsUploaded=1 WHERE BillDate < '2024-03-02'");
  const auto unsent = Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=0");
  Check("chkDataType_0");
  Check("optDataType_1");
  Pick("dtpBegin", 1);
  Pick("dtpEnd", 2);
  ASSERT_EQ(Next(), 1);
  std::vector<double> barValues;
  mUi.onProcessEvents = [&] {
    barValues.push_back(Control<ui::FractionalProgressBar>("ProgressBar")->Value());
  };
  ASSERT_EQ(Next(), 2) << testing::PrintToString(WizardLines());
  mUi.onProcessEvents = nullptr;
  EXPECT_FALSE(Shown("txtFileName") || Shown("lblNotice_4"));
  EXPECT_EQ(unsent, Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=0"));
  const Lines server = mServer.List("ForUpload");
  ASSERT_EQ(server.size(), 1U);
  const Lines lines = WizardLines();
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{"正在上传文件：" + TempFolder() + "/" + server[0] + " ...", "数据上传成功！"}));
  test::UnpackedPackage package(mServer.Root() + "/ForUpload/" + server[0]);
  EXPECT_EQ(package.Keys("SELECT BillID FROM bi_Bill"),
            Prefixed(Keys("SELECT BillID FROM bi_Bill")));
  EXPECT_EQ(package.Count("rp_BillItem_Upload"), Count("SELECT COUNT(*) FROM rp_BillItem_Temp"));
  // Thousandths 1 to 800 of the bar, in order, each with its pending events.
  const auto near = [](double target) {
    return [=](double v) { return std::abs(v - target) < 1e-9; };
  };
  const auto stepped = std::find_if(barValues.begin(), barValues.end(), near(0.1));
  ASSERT_GE(barValues.end() - stepped, 800);
  for (const double value : {20.0, 50.0, 80.0}) {
    EXPECT_NE(std::find_if(stepped, barValues.end(), near(value)), barValues.end()) << value;
  }
  EXPECT_TRUE(std::is_sorted(stepped, stepped + 800));
  Check("chkViewLog");
  mWizard->cmdNext_Click();
  EXPECT_EQ(mUi.Shown("view: "), Lines{"view: " + GetLastLogFile()});
  EXPECT_TRUE(TempFiles().empty());
}

// A run that fails stays idle on the progress panel with the fault text,
// its failure in a line or a box; Next runs again and its lines follow.
// Whatever the failed runs left in the temporary folder goes on closing.
TEST_P(UploadWizard, AFailedRunStaysOnTheProgressPanelAndNextRunsAgain) {
  struct Case {
    const char* name;
    std::function<void()> breakIt;
    const char* lastLine;
    const char* box;
  };
  // Calls `action` whenever the last line starts with `start`.
  const auto onLine = [&](const std::string& start, std::function<void()> action) {
    mUi.onProcessEvents = [this, start, action] {
      const Lines lines = WizardLines();
      if (!lines.empty() && lines.back().starts_with(start)) action();
    };
  };
  const Case cases[] = {
      {"no temporary folder",
       [&] {
         onLine("正在导出数据...", [&] {
           fs::remove_all(TempFolder());
           test::WriteFile(TempFolder(), "not a folder");
         });
       },
       "正在导出数据...", "box: 提示 | 导出数据失败："},
      {"unreachable", [&] { SetFtpServer("127.0.0.2"); }, "FTP连接失败！请检查网络连接是否正确。",
       nullptr},
      {"cancelled",
       [&] {
         mUi.answers = {true};
         onLine("正在复制：", [&] { Check("cmdCancel"); });
       },
       "导出数据已经被取消！", nullptr},
  };
  Check("chkDataType_1");
  ASSERT_EQ(Next(), 1);
  for (const Case& c : cases) {
    mUi.shown.clear();
    c.breakIt();
    EXPECT_EQ(Next(), 1) << c.name;
    mUi.onProcessEvents = nullptr;
    const Lines failed = WizardLines();
    EXPECT_EQ(failed.back(), c.lastLine) << c.name;
    EXPECT_EQ(Info(), "上传数据尚未完成！") << c.name;
    EXPECT_EQ(Control<ui::FractionalProgressBar>("ProgressBar")->Value(), 100) << c.name;
    for (const char* name : {"cmdPrev", "cmdNext", "cmdClose"}) {
      EXPECT_TRUE(Control(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Control("cmdCancel")->isEnabled()) << c.name;
    EXPECT_FALSE(mWizard->CancelFlag()) << c.name;
    const Lines boxes = mUi.Shown("box: ");
    EXPECT_EQ(boxes.size(), c.box ? 1U : 0U) << c.name;
    EXPECT_TRUE(c.box == nullptr || (boxes.size() == 1 && boxes[0].starts_with(c.box))) << c.name;

    if (fs::is_regular_file(TempFolder())) fs::remove(TempFolder());
    SetFtpServer(mServer.Host());
    EXPECT_EQ(Next(), 2) << c.name;
    const Lines both = WizardLines();
    EXPECT_TRUE(both.size() > failed.size() &&
                std::equal(failed.begin(), failed.end(), both.begin()))
        << c.name;
    EXPECT_EQ(both.back(), "数据上传成功！") << c.name;
    mWizard->cmdPrev_Click();
  }
  EXPECT_FALSE(mServer.List("ForUpload").empty());
  // The package the unreachable server did not take waits until closing.
  EXPECT_FALSE(TempFiles().empty());
  mWizard->cmdClose_Click();
  EXPECT_TRUE(TempFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(, UploadWizard, testing::Values(db::Backend::Sqlite), test::BackendName);

}  // namespace
}  // namespace tavex
