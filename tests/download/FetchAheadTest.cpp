#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "download/FetchAhead.h"

namespace tavex {
namespace {

// The lines a fetch showed.
std::vector<std::string> LinesOf(const FetchAhead::Fetched& fetched) {
  std::vector<std::string> lines;
  for (const FetchShown& shown : fetched.shown) {
    if (const auto* line = std::get_if<std::string>(&shown)) lines.push_back(*line);
  }
  return lines;
}

// A fetcher that fetches as told and records what it was asked for.
struct Fetcher {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::size_t> asked;
  std::size_t failsAt = SIZE_MAX;
  std::size_t throwsAt = SIZE_MAX;

  FetchAhead::Fetcher Get() {
    return [this](std::size_t index, const FetchView& view) {
      {
        const std::lock_guard lock(mutex);
        asked.push_back(index);
        changed.notify_all();
      }
      view("fetching " + std::to_string(index));
      view(SweepRange{1, 2});
      if (index == throwsAt) throw std::runtime_error("disk full");
      return index != failsAt;
    };
  }
  // Waits until the fetch of `index` began: a Stop then lets it end.
  void WaitFor(std::size_t index) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return std::find(asked.begin(), asked.end(), index) != asked.end(); });
  }
};

// What the fetcher was asked for once the thread had time to go on, were
// it to.
std::vector<std::size_t> AskedAfterAWhile(Fetcher& fetcher) {
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::lock_guard lock(fetcher.mutex);
  return fetcher.asked;
}

TEST(FetchAhead, FetchesInOrderNoFurtherAheadThanToldAndKeepsWhatEachShowedForItsTurn) {
  Fetcher fetcher;
  FetchAhead ahead;
  ahead.Start(2, 10, 3, fetcher.Get());
  fetcher.WaitFor(4);
  EXPECT_EQ((std::vector<std::size_t>{2, 3, 4}), AskedAfterAWhile(fetcher));
  EXPECT_FALSE(ahead.Take(1).has_value()) << "before the first";
  const auto third = ahead.Take(3);
  ASSERT_TRUE(third.has_value());
  EXPECT_TRUE(third->fetched);
  EXPECT_EQ(std::vector<std::string>{"fetching 3"}, LinesOf(*third));
  EXPECT_EQ(2U, third->shown.size());
  EXPECT_FALSE(ahead.Take(3).has_value()) << "taken once";
  // Taking 3 up lets it go on to three past it.
  fetcher.WaitFor(6);
  EXPECT_EQ((std::vector<std::size_t>{2, 3, 4, 5, 6}), AskedAfterAWhile(fetcher));
  // Taking one it has not reached yet waits for its fetch.
  const auto ninth = ahead.Take(9);
  ASSERT_TRUE(ninth.has_value());
  EXPECT_EQ(std::vector<std::string>{"fetching 9"}, LinesOf(*ninth));
  EXPECT_FALSE(ahead.Take(10).has_value()) << "past the end";
  ahead.Stop();
  EXPECT_EQ((std::vector<std::size_t>{2, 3, 4, 5, 6, 7, 8, 9}), fetcher.asked);
  EXPECT_EQ((std::vector<std::size_t>{2, 4, 5, 6, 7, 8}), ahead.Untaken());
}

TEST(FetchAhead, AFetchThatFailsOrRaisesIsTheLastItEverMakes) {
  for (const bool raises : {false, true}) {
    SCOPED_TRACE(raises ? "raises" : "fails");
    Fetcher fetcher;
    (raises ? fetcher.throwsAt : fetcher.failsAt) = 1;
    FetchAhead ahead;
    ahead.Start(0, 10, 10, fetcher.Get());
    const auto failed = ahead.Take(1);
    ASSERT_TRUE(failed.has_value());
    EXPECT_FALSE(failed->fetched);
    EXPECT_EQ(std::vector<std::string>{"fetching 1"}, LinesOf(*failed));
    EXPECT_EQ(raises, failed->failure != nullptr);
    if (raises) {
      EXPECT_THROW(std::rethrow_exception(failed->failure), std::runtime_error);
    }
    EXPECT_FALSE(ahead.Take(2).has_value()) << "nothing after it";
    EXPECT_EQ((std::vector<std::size_t>{0, 1}), AskedAfterAWhile(fetcher));
    EXPECT_EQ(std::vector<std::size_t>{0}, ahead.Untaken());
    ahead.Start(2, 10, 10, fetcher.Get());
    ahead.Stop();
    EXPECT_EQ((std::vector<std::size_t>{0, 1}), fetcher.asked) << "started only once";
  }
}

TEST(FetchAhead, StopLetsTheFetchUnderWayEndAndStartsNoOther) {
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool release = false;
  std::vector<std::size_t> asked;
  FetchAhead ahead;
  ahead.Start(0, 100, 100, [&](std::size_t index, const FetchView&) {
    std::unique_lock lock(mutex);
    asked.push_back(index);
    started = true;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
    return true;
  });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return started; });
  }
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::lock_guard lock(mutex);
    release = true;
    changed.notify_all();
  });
  ahead.Stop();
  releaser.join();
  EXPECT_EQ(std::vector<std::size_t>{0}, asked);
  EXPECT_EQ(std::vector<std::size_t>{0}, ahead.Untaken());
  EXPECT_TRUE(ahead.Take(0).has_value());
}

TEST(FetchAhead, NothingToFetchStartsNothing) {
  Fetcher fetcher;
  FetchAhead ahead;
  ahead.Start(5, 5, 10, fetcher.Get());
  ahead.Start(0, 5, 0, fetcher.Get());
  EXPECT_FALSE(ahead.Take(0).has_value());
  ahead.Stop();
  EXPECT_TRUE(fetcher.asked.empty());
}

}  // namespace
}  // namespace tavex
