#include <gtest/gtest.h>

#include <QDate>
#include <QGuiApplication>
#include <QScreen>
#include <functional>

#include "FakeUiServices.h"
#include "framework/PluginFolder.h"
#include "ui/ScreenPlacement.h"
#include "ui/WizardFrame.h"

namespace tavex::ui {
namespace {

// A four-step wizard on the frame: welcome, file and progress (its action is
// the test's), date range, finished.
class TestWizard : public WizardFrame {
 public:
  explicit TestWizard(UiServices& ui) : WizardFrame("frmTest", "测试向导", ui) {
    QWidget* welcome = AddStep();
    AddWelcome(welcome, "欢迎");
    AddNotice(welcome, 0, "第一条");
    QWidget* run = AddStep();
    AddNotice(run, 1, "请选择文件:");
    AddFileField(run, "txtFileName", "数据库文件(*.pkg)|*.pkg");
    AddProgress(run, "取消复制");
    QWidget* dates = AddStep();
    AddDateRange(dates);
    QWidget* finished = AddStep();
    AddLabel(finished, "lblSuccess", "完成了");
  }

  using WizardFrame::Bar;
  using WizardFrame::EnterBusy;
  using WizardFrame::FileField;
  using WizardFrame::InfoLabel;
  using WizardFrame::LeaveBusy;
  using WizardFrame::ProgressList;
  using WizardFrame::RangeBegin;
  using WizardFrame::RangeEnd;

  std::function<bool()> runAction = [] { return true; };
  std::vector<int> actionsRun;

 protected:
  bool StepAction(int step) override {
    actionsRun.push_back(step);
    if (step == 1) return runAction();
    if (step == StepCount() - 1) CloseWizard();
    return true;
  }
};

class WizardFrameTest : public ::testing::Test {
 protected:
  WizardFrameTest() {
    mWizard.Prepare();
    mWizard.show();
  }

  QPushButton* Button(const char* name) { return mWizard.findChild<QPushButton*>(name); }
  QString Caption(const char* name) {
    if (auto* button = Button(name)) return button->text();
    return mWizard.findChild<QLabel*>(name)->text();
  }
  // Runs step 1's action inside the busy state, with `during` as its work.
  void RunBusy(const std::function<void()>& during) {
    if (mWizard.CurrentStep() == 0) mWizard.cmdNext_Click();
    mWizard.runAction = [&] {
      mWizard.EnterBusy();
      during();
      mWizard.LeaveBusy();
      return false;
    };
    mWizard.cmdNext_Click();
  }
  void Proccess(int total, int totalDone, int count, int done, bool newStep, bool& cancel) {
    mWizard.Proccess(total, totalDone, "1. 消费账单表", count, done, cancel, newStep);
  }

  test::FakeUiServices mUi;
  TestWizard mWizard{mUi};
};

TEST_F(WizardFrameTest, LoadsOnTheFirstStepWithTheSharedButtonTexts) {
  EXPECT_EQ(mWizard.CurrentStep(), 0);
  EXPECT_EQ(mWizard.windowTitle(), "测试向导");
  EXPECT_FALSE(Button("cmdPrev")->isEnabled());
  EXPECT_EQ(Caption("cmdPrev"), "上一步");
  EXPECT_EQ(Caption("cmdNext"), "下一步");
  EXPECT_EQ(Caption("cmdClose"), "取消");
  EXPECT_FALSE(Button("cmdCancel")->isEnabled());
  EXPECT_EQ(mWizard.findChild<QDateEdit*>("dtpBegin")->displayFormat(), "yyyy年MM月dd日");
}

TEST_F(WizardFrameTest, NextAndPrevWalkTheSteps) {
  mWizard.cmdPrev_Click();
  EXPECT_EQ(mWizard.CurrentStep(), 0);
  EXPECT_TRUE(mWizard.actionsRun.empty());

  mWizard.cmdNext_Click();
  EXPECT_EQ(mWizard.CurrentStep(), 1);
  EXPECT_TRUE(Button("cmdPrev")->isEnabled());
  mWizard.cmdPrev_Click();
  EXPECT_EQ(mWizard.CurrentStep(), 0);
  EXPECT_FALSE(Button("cmdPrev")->isEnabled());
  EXPECT_EQ(mWizard.actionsRun, (std::vector<int>{0}));  // going back runs nothing
}

TEST_F(WizardFrameTest, AFailingStepLeavesPanelButtonsAndCaptionsAsTheyWere) {
  mWizard.cmdNext_Click();
  mWizard.runAction = [] { return false; };
  Button("cmdPrev")->setEnabled(false);
  mWizard.cmdNext_Click();
  EXPECT_EQ(mWizard.CurrentStep(), 1);
  EXPECT_FALSE(Button("cmdPrev")->isEnabled());
  EXPECT_EQ(Caption("cmdNext"), "下一步");

  // A step that raises stays, and says why.
  mWizard.runAction = []() -> bool { throw std::runtime_error("boom"); };
  mWizard.cmdNext_Click();
  EXPECT_EQ(mWizard.CurrentStep(), 1);
  ASSERT_FALSE(mUi.shown.empty());
  EXPECT_EQ("box: 提示 | boom", mUi.shown.back());
}

TEST_F(WizardFrameTest, BusyStateDisablesEverythingButCancelAndRefusesToClose) {
  mWizard.cmdNext_Click();
  mWizard.ProgressList()->AddItem("an old line");
  mWizard.Bar()->SetValue(50);
  RunBusy([&] {
    for (const char* name : {"cmdPrev", "cmdNext", "cmdClose", "cmdOpen"}) {
      EXPECT_FALSE(Button(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(Button("cmdCancel")->isEnabled());
    EXPECT_TRUE(mWizard.IsBusy());
    EXPECT_EQ(mWizard.ProgressList()->count(), 0);
    EXPECT_EQ(mWizard.Bar()->Value(), 0);
    mWizard.close();  // the close box
    EXPECT_TRUE(mWizard.isVisible());
    mWizard.cmdClose_Click();
    EXPECT_TRUE(mWizard.isVisible());
  });
  for (const char* name : {"cmdPrev", "cmdNext", "cmdClose", "cmdOpen"}) {
    EXPECT_TRUE(Button(name)->isEnabled()) << name;
  }
  EXPECT_FALSE(Button("cmdCancel")->isEnabled());
  EXPECT_FALSE(mWizard.IsBusy());
  mWizard.close();
  EXPECT_FALSE(mWizard.isVisible());
}

// A click on Cancel asks at the next progress event: No goes on, a second
// click asks again, Yes stops the copy and keeps the flag.
TEST_F(WizardFrameTest, CancelAsksAtTheNextEventAndOnlyYesStopsTheCopy) {
  bool cancel = false;
  RunBusy([&] {
    mWizard.cmdCancel_Click();
    mUi.answers = {false, true};
    Proccess(4, 1, 10, 0, true, cancel);
    EXPECT_FALSE(cancel);
    EXPECT_FALSE(mWizard.CancelFlag());
    Proccess(4, 1, 10, 5, false, cancel);
    EXPECT_FALSE(cancel);
    mWizard.cmdCancel_Click();
    Proccess(4, 1, 10, 8, false, cancel);
    EXPECT_TRUE(mWizard.CancelFlag());
  });
  EXPECT_TRUE(cancel);
  EXPECT_EQ(
      mUi.Shown("ask: "),
      std::vector<std::string>(
          2, "ask: 提示 | 确定要取消复制数据吗？如果确定请点击“是”；否则，点击“否”则继续..."));
  EXPECT_EQ(mWizard.ProgressList()->Lines(),
            std::vector<std::string>{"正在复制：1. 消费账单表 ..."});
}

TEST_F(WizardFrameTest, ProgressEventsWriteTheCopyLinesInfoAndBar) {
  bool cancel = false;
  RunBusy([&] {
    Proccess(4, 2, 350, 0, true, cancel);
    Proccess(4, 2, 350, 120, false, cancel);
    EXPECT_EQ(mWizard.InfoLabel()->text(), "当前进度: 120/350  全部进度: 2/4");
    EXPECT_DOUBLE_EQ(mWizard.Bar()->Value(), 50);
    Proccess(4, 2, 350, 350, false, cancel);
  });
  EXPECT_EQ(mWizard.ProgressList()->Lines(),
            std::vector<std::string>{"成功复制：1. 消费账单表 ，共 350 条数据；"});
  EXPECT_EQ(mWizard.ProgressList()->currentRow(), 0);
  EXPECT_GE(mUi.processed, 3);
}

TEST_F(WizardFrameTest, FileChooserStartsInThePluginFolderAndCancelKeepsTheText) {
  mWizard.FileField()->setText("/data/old.pkg");
  mUi.files = {std::nullopt, std::string("/data/new.pkg")};
  mWizard.cmdOpen_Click();
  EXPECT_EQ(mWizard.FileField()->text(), "/data/old.pkg");
  mWizard.cmdOpen_Click();
  EXPECT_EQ(mWizard.FileField()->text(), "/data/new.pkg");
  EXPECT_EQ(mUi.Shown("choose: "),
            (std::vector<std::string>{
                "choose: " + PluginFolder() + " | /data/old.pkg | 数据库文件(*.pkg)|*.pkg",
                "choose: " + PluginFolder() + " | /data/old.pkg | 数据库文件(*.pkg)|*.pkg"}));
}

TEST_F(WizardFrameTest, DateRangeRunsFromTheBeginDayToTheDayAfterTheEndDay) {
  const QDate today = QDate::currentDate();
  EXPECT_EQ(mWizard.findChild<QDateEdit*>("dtpBegin")->date(), today);
  EXPECT_EQ(mWizard.findChild<QDateEdit*>("dtpEnd")->date(), today);
  mWizard.findChild<QDateEdit*>("dtpBegin")->setDate(QDate(2024, 2, 28));
  mWizard.findChild<QDateEdit*>("dtpEnd")->setDate(QDate(2024, 2, 29));
  using namespace std::chrono;
  EXPECT_EQ(mWizard.RangeBegin(), year_month_day(year(2024), February, day(28)));
  EXPECT_EQ(mWizard.RangeEnd(), year_month_day(year(2024), March, day(1)));
}

TEST(WizardPlacement, CentredWithoutAPositionElsePlacedInTwips) {
  test::FakeUiServices ui;
  TestWizard centred(ui);
  centred.Prepare();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(centred.pos(), QPoint(screen.left() + CentredOffset(screen.width(), centred.width()),
                                  screen.top() + CentredOffset(screen.height(), centred.height())));
  TestWizard placed(ui);
  placed.Prepare(1500, 3000);
  EXPECT_EQ(placed.pos(), QPoint(100, 200));
}

}  // namespace
}  // namespace tavex::ui
