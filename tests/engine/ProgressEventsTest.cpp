#include <gtest/gtest.h>

#include "engine/PackageFailure.h"
#include "engine/ProgressEvents.h"

namespace tavex::engine {
namespace {

struct Event {
  std::int32_t totalCount, totalFinished, count, finished;
  std::string caption;
  bool newExData;
};

class ProgressPacing : public ::testing::Test {
 protected:
  ProgressPacing() {
    mHandler = [this](const std::string& name, std::int32_t totalCount, std::int32_t totalFinished,
                      const std::string& caption, std::int32_t count, std::int32_t finished,
                      bool& cancel, bool newExData) {
      EXPECT_EQ("B01-240305140709", name);
      mEvents.push_back({totalCount, totalFinished, count, finished, caption, newExData});
      cancel = mCancelAt > 0 && static_cast<int>(mEvents.size()) == mCancelAt;
    };
  }

  // Runs one step of `count` rows of which `rows` arrive.
  void RunStep(std::int64_t count, std::int64_t rows) {
    ProgressEvents progress(mHandler, "B01-240305140709", 3);
    progress.StartStep(2, "22. payments", count);
    for (std::int64_t i = 1; i <= rows; ++i) progress.Row(i);
    progress.FinishStep(rows);
  }

  ProccessHandler mHandler;
  std::vector<Event> mEvents;
  int mCancelAt = 0;
};

TEST_F(ProgressPacing, EmptyStepGivesOneEventOfZero) {
  RunStep(0, 0);
  ASSERT_EQ(1u, mEvents.size());
  EXPECT_TRUE(mEvents[0].newExData);
  EXPECT_EQ(0, mEvents[0].count);
  EXPECT_EQ(0, mEvents[0].finished);
  EXPECT_EQ(3, mEvents[0].totalCount);
  EXPECT_EQ(2, mEvents[0].totalFinished);
  EXPECT_EQ("22. payments", mEvents[0].caption);
}

TEST_F(ProgressPacing, FirstIsNewLastIsCompleteAndFewInBetween) {
  RunStep(10000, 10000);
  ASSERT_GE(mEvents.size(), 2u);
  EXPECT_TRUE(mEvents.front().newExData);
  EXPECT_EQ(0, mEvents.front().finished);
  EXPECT_EQ(10000, mEvents.back().finished);
  EXPECT_EQ(10000, mEvents.back().count);
  for (std::size_t i = 1; i < mEvents.size(); ++i) {
    EXPECT_FALSE(mEvents[i].newExData);
    EXPECT_GT(mEvents[i].finished, mEvents[i - 1].finished);
  }
  // At most one per 1% of the rows plus one per 64-row time check.
  EXPECT_LE(mEvents.size(), 2u + 100u + 10000u / 64u);
  EXPECT_LT(mEvents.size(), 10000u / 10u);
}

TEST_F(ProgressPacing, RowsThatChangedAfterCountingEndAtTheTrueCount) {
  RunStep(10, 7);
  EXPECT_EQ(7, mEvents.back().count);
  EXPECT_EQ(7, mEvents.back().finished);
  mEvents.clear();
  RunStep(3, 5);
  EXPECT_EQ(5, mEvents.back().count);
  EXPECT_EQ(5, mEvents.back().finished);
}

TEST_F(ProgressPacing, CancelStopsAtTheEventThatSetIt) {
  mCancelAt = 1;
  EXPECT_THROW(RunStep(100, 100), Cancelled);
  EXPECT_EQ(1u, mEvents.size());
  mEvents.clear();
  mCancelAt = 3;
  EXPECT_THROW(RunStep(100, 100), Cancelled);
  EXPECT_EQ(3u, mEvents.size());
}

TEST_F(ProgressPacing, NoHandlerRaisesNothing) {
  ProccessHandler none;
  ProgressEvents progress(none, "x", 1);
  progress.StartStep(1, "step", 5);
  for (int i = 1; i <= 5; ++i) progress.Row(i);
  EXPECT_NO_THROW(progress.FinishStep(5));
}

}  // namespace
}  // namespace tavex::engine
