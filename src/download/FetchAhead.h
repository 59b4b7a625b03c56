#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "engine/RunProgress.h"

namespace tavex {

// What fetching a package shows: a line of the run, or a sweep of its bar.
using FetchShown = std::variant<std::string, SweepRange>;
using FetchView = std::function<void(const FetchShown&)>;

// Fetches a run's next packages on a thread of its own while the run waits
// for something else (a group's merge): from a position in the run's list on,
// one after the other, until Stop, a fetch that fails, or the most it may
// fetch. A fetch shows nothing while it runs: what it would have shown is
// kept, with how it ended, for the run to show when it takes the package up
// in its turn.
class FetchAhead {
 public:
  // Fetches the `index`th package of the run through `view`: true when
  // fetched, false when the run must stop there; a failure it raises is
  // kept too.
  using Fetcher = std::function<bool(std::size_t index, const FetchView& view)>;

  // How one fetch made ahead ended.
  struct Fetched {
    std::vector<FetchShown> shown;
    bool fetched = false;
    std::exception_ptr failure;
  };

  FetchAhead() = default;
  ~FetchAhead();
  FetchAhead(const FetchAhead&) = delete;
  FetchAhead& operator=(const FetchAhead&) = delete;

  // Starts fetching at `first`, at most `most` packages and none from `end`
  // on, unless a failed fetch stopped this one for good. Fetches already
  // made and not yet taken stay.
  void Start(std::size_t first, std::size_t end, std::size_t most, Fetcher fetcher);
  // Lets the fetch under way end, then fetches no more until started again.
  void Stop() noexcept;
  // The index after the last package it fetched, taken or not; 0 when it
  // fetched none.
  std::size_t End() const;
  // The fetch of the `index`th package, once: nothing when it was not
  // fetched ahead.
  std::optional<Fetched> Take(std::size_t index);
  // The packages fetched ahead and never taken, in their order.
  std::vector<std::size_t> Untaken() const;

 private:
  void Run(std::size_t first, std::size_t end, std::size_t most, const Fetcher& fetcher);

  mutable std::mutex mMutex;
  std::map<std::size_t, Fetched> mFetched;
  std::size_t mEnd = 0;
  std::atomic<bool> mStop{false};
  bool mFailed = false;
  std::thread mThread;
};

}  // namespace tavex
