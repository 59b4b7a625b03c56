#include "download/FetchAhead.h"

#include <algorithm>
#include <utility>

namespace tavex {

FetchAhead::~FetchAhead() { Stop(); }

void FetchAhead::Start(std::size_t first, std::size_t end, std::size_t ahead, Fetcher fetcher) {
  const std::lock_guard lock(mMutex);
  if (mThread.joinable() || mStop || first >= end || ahead == 0) return;
  mNext = first;
  mEnd = end;
  mTakenEnd = first;
  mRunning = true;
  mThread = std::thread(
      [this, first, end, ahead, fetcher = std::move(fetcher)] { Run(first, end, ahead, fetcher); });
}

void FetchAhead::Stop() noexcept {
  {
    const std::lock_guard lock(mMutex);
    mStop = true;
  }
  mChanged.notify_all();
  if (mThread.joinable()) mThread.join();
}

void FetchAhead::Run(std::size_t first, std::size_t end, std::size_t ahead,
                     const Fetcher& fetcher) {
  std::unique_lock lock(mMutex);
  for (std::size_t index = first; index < end; ++index) {
    mChanged.wait(lock, [&] { return mStop || index < mTakenEnd + ahead; });
    if (mStop) break;
    lock.unlock();
    Fetched fetch;
    const FetchView keep = [&fetch](const FetchShown& shown) { fetch.shown.push_back(shown); };
    try {
      fetch.fetched = fetcher(index, keep);
    } catch (...) {
      fetch.failure = std::current_exception();
    }
    const bool failed = !fetch.fetched;
    lock.lock();
    mFetched.emplace(index, std::move(fetch));
    mNext = index + 1;
    mChanged.notify_all();
    // The run stops at that package: nothing after it is fetched.
    if (failed) break;
  }
  mRunning = false;
  mChanged.notify_all();
}

std::optional<FetchAhead::Fetched> FetchAhead::Take(std::size_t index) {
  std::unique_lock lock(mMutex);
  mTakenEnd = std::max(mTakenEnd, index + 1);
  mChanged.notify_all();
  mChanged.wait(lock, [&] { return !mRunning || index < mNext || index >= mEnd; });
  const auto found = mFetched.find(index);
  if (found == mFetched.end()) return std::nullopt;
  Fetched fetch = std::move(found->second);
  mFetched.erase(found);
  return fetch;
}

std::vector<std::size_t> FetchAhead::Untaken() const {
  const std::lock_guard lock(mMutex);
  std::vector<std::size_t> untaken;
  for (const auto& [index, fetch] : mFetched) {
    if (fetch.fetched) untaken.push_back(index);
  }
  return untaken;
}

}  // namespace tavex
