#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "FakeUiServices.h"
#include "UploadHost.h"
#include "WizardControls.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "storage/UserSettings.h"
#include "support/FtpServer.h"
#include "wizards/frmUpload.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::Lines;

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
    settings.SetSetting(kSettingFtpServer, mServer.Host());
    settings.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
    settings.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
    mServer.MakeFolder("ForUpload");
    Open();
  }

  // A new wizard, as the next opening shows it.
  void Open() {
    mWizard = std::make_unique<frmUpload>(mUi);
    mWizard->Prepare();
    mWizard->show();
  }
  int Next() { return test::Next(*mWizard); }
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
    EXPECT_TRUE(test::ProgressLines(*mWizard).empty());
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
  ASSERT_EQ(Next(), 2) << testing::PrintToString(test::ProgressLines(*mWizard));
  const std::string kept = Control<QLineEdit>("txtFileName")->text().toStdString();
  EXPECT_TRUE(Shown("txtFileName") && Shown("lblNotice_4"));
  EXPECT_TRUE(kept.starts_with(Home() + "/BckPackage/")) << kept;
  EXPECT_TRUE(kept.ends_with("-R.pkg")) << kept;
  EXPECT_EQ(test::Info(*mWizard), "上传数据已经完成！");
  const auto rows = [&](const char* table) {
    return std::to_string(Count(std::string("SELECT COUNT(*) FROM ") + table));
  };
  const std::string today = QDate::currentDate().toString("yyyyMMdd").toStdString();
  EXPECT_EQ(test::ProgressLines(*mWizard),
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

// "同时上传明细数据" goes to the run with the chosen days, the bar is
// stepped while the send works, and the exported-file field is hidden on
// the last step.
TEST_P(UploadWizard, ASendWithTheBillsStepsTheBarAndHidesTheFileField) {
  Check("chkDataType_0");
  Check("optDataType_1");
  Pick("dtpBegin", 1);
  Pick("dtpEnd", 1);
  ASSERT_EQ(Next(), 1);
  std::vector<double> barValues;
  mUi.onProcessEvents = [&] {
    barValues.push_back(Control<ui::FractionalProgressBar>("ProgressBar")->Value());
  };
  ASSERT_EQ(Next(), 2) << testing::PrintToString(test::ProgressLines(*mWizard));
  mUi.onProcessEvents = nullptr;
  EXPECT_FALSE(Shown("txtFileName") || Shown("lblNotice_4"));
  const Lines server = mServer.List("ForUpload");
  ASSERT_EQ(server.size(), 1U);
  EXPECT_EQ(test::ProgressLines(*mWizard).back(), "数据上传成功！");
  test::UnpackedPackage package(mServer.Root() + "/ForUpload/" + server[0]);
  EXPECT_EQ(package.Keys("SELECT BillID FROM bi_Bill"),
            Prefixed(Keys("SELECT BillID FROM bi_Bill WHERE BillDate < '2024-03-02'")));
  // Thousandths 1 to 800 of the bar, in order, each with its pending events.
  const auto near = [](double target) {
    return [=](double v) { return std::abs(v - target) < 1e-6; };
  };
  const auto stepped = std::find_if(barValues.begin(), barValues.end(), near(0.1));
  ASSERT_GE(barValues.end() - stepped, 800);
  for (const double value : {20.0, 50.0, 80.0}) {
    EXPECT_NE(std::find_if(stepped, barValues.end(), near(value)), barValues.end()) << value;
  }
  EXPECT_TRUE(std::is_sorted(stepped, stepped + 800));
}

INSTANTIATE_TEST_SUITE_P(, UploadWizard, testing::Values(db::Backend::Sqlite), test::BackendName);

}  // namespace
}  // namespace tavex
