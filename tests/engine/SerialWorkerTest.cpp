#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/SerialWorker.h"

namespace tavex::engine {
namespace {

TEST(SerialWorkerTest, RunsJobsInTheirOrderOneAtATimeAndWaitSeesAllTheyWrote) {
  SerialWorker worker;
  std::vector<int> done;  // written by the jobs only, read after Wait
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  for (int i = 0; i < 50; ++i) {
    worker.Post([&, i] {
      if (++running > 1) overlapped = true;
      if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      done.push_back(i);
      --running;
    });
  }
  worker.Wait();
  ASSERT_EQ(50u, done.size());
  for (int i = 0; i < 50; ++i) EXPECT_EQ(i, done[i]);
  EXPECT_FALSE(overlapped);
  // The poster went on meanwhile: Post does not wait for the job.
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  worker.Post([&] {
    while (!release) std::this_thread::yield();
    finished = true;
  });
  EXPECT_FALSE(finished);
  release = true;
  worker.Wait();
  EXPECT_TRUE(finished);
}

TEST(SerialWorkerTest, AFailureThatEscapesAJobIsRaisedByWaitOnceAndTheNextJobsStillRun) {
  SerialWorker worker;
  bool after = false;
  worker.Post([] { throw std::runtime_error("disk gone"); });
  worker.Post([&] { after = true; });
  try {
    worker.Wait();
    ADD_FAILURE() << "Wait raised nothing";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ("disk gone", error.what());
  }
  EXPECT_TRUE(after);
  EXPECT_NO_THROW(worker.Wait());
}

TEST(SerialWorkerTest, EndingRunsTheJobsStillWaiting) {
  int done = 0;
  {
    SerialWorker worker;
    for (int i = 0; i < 20; ++i) {
      worker.Post([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++done;
      });
    }
  }
  EXPECT_EQ(20, done);
}

}  // namespace
}  // namespace tavex::engine
