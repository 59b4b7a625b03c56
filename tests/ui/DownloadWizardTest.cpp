#include <gtest/gtest.h>

#include <algorithm>

#include "DownloadFixture.h"
#include "FakeUiServices.h"
#include "WizardControls.h"
#include "support/HostDatabase.h"
#include "wizards/frmDownload.h"

namespace tavex {
namespace {

using test::Lines;

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

  // From the welcome panel through a run; true when it reached the finish panel.
  bool Run() { return test::Next(mWizard) == 1 && test::Next(mWizard) == 2; }

  test::FakeUiServices mUi;
  frmDownload mWizard{mUi};
};

TEST_P(DownloadWizard, AWaitingPackageIsMergedWithItsCopyLines) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 3));
  ASSERT_TRUE(Run());
  EXPECT_EQ(Count("bi_Bill"), 3);
  const Lines lines = test::ProgressLines(mWizard);
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
            (Lines{"成功复制：21. 消费账单表 ，共 3 条数据；",
                   "成功复制：23. 消费明细表 ，共 6 条数据；", "导入数据成功！"}));
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

// A click on cmdCancel while the package is still being fetched is asked
// about once its import starts; Yes ends the run as a cancelled import.
// A cancel is the user's choice, not the package's fault: it waits.
TEST_P(DownloadWizard, CancelAnsweredYesKeepsThePackageForTheNextRunAndStaysOnTheProgressPanel) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 3));
  mUi.answers = {true};
  mUi.onProcessEvents = [&] {
    if (test::Enabled(mWizard, "cmdCancel") && !mWizard.CancelFlag() &&
        mUi.Shown("ask: ").empty()) {
      test::Control<QPushButton>(mWizard, "cmdCancel")->click();
    }
  };
  EXPECT_FALSE(Run());
  EXPECT_EQ(mUi.Shown("ask: ").size(), 1U);
  EXPECT_FALSE(mWizard.CancelFlag());
  const Lines lines = test::ProgressLines(mWizard);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "导入数据已经被取消！"), lines.end());
  EXPECT_EQ(Count("bi_Bill"), 0);
  EXPECT_TRUE(FilesBelow("ErrPackage").empty());
  EXPECT_EQ(FilesBelow("Temp"), (Lines{"B01-1.pkg", "Pending/B01-1.pkg"}));
}

INSTANTIATE_TEST_SUITE_P(, DownloadWizard, testing::Values(db::Backend::Sqlite), test::BackendName);

}  // namespace
}  // namespace tavex
