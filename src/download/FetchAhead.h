#pragma once

#include <condition_variable>
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

// Fetches a run's packages on a thread of their own while the run works on
// those before them: from a position in the run's list on, one after the
// other, never more than a given number past the last one the run took up,
// until Stop or a fetch that fails. A fetch shows nothing while it runs:
// what it would have shown is kept, with how it ended, for the run to show
// when it takes the package up in its turn.
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

  // Starts fetching at `first`, up to `end`, at most `ahead` packages past
  // the last one taken (or `first`). Once only.
  void Start(std::size_t first, std::size_t end, std::size_t ahead, Fetcher fetcher);
  // Lets the fetch under way end, then fetches no more.
  void Stop() noexcept;
  // The fetch of the `index`th package, once, waiting for it when the
  // fetching is on its way there; nothing when it will not be fetched here
  // (outside what was started, or past where the fetching stopped).
  std::optional<Fetched> Take(std::size_t index);
  // The packages fetched ahead and never taken, in their order.
  std::vector<std::size_t> Untaken() const;

 private:
  void Run(std::size_t first, std::size_t end, std::size_t ahead, const Fetcher& fetcher);

  mutable std::mutex mMutex;
  std::condition_variable mChanged;
  std::map<std::size_t, Fetched> mFetched;
  std::size_t mNext = 0;      // the next one the thread fetches
  std::size_t mEnd = 0;       // of what was started
  std::size_t mTakenEnd = 0;  // after the last one taken
  bool mRunning = false;
  bool mStop = false;
  std::thread mThread;
};

}  // namespace tavex
