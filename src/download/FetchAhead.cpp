#include "download/FetchAhead.h"

#include <utility>

namespace tavex {

FetchAhead::~FetchAhead() { Stop(); }

void FetchAhead::Start(std::size_t first, std::size_t end, std::size_t most, Fetcher fetcher) {
  Stop();
  if (mFailed || first >= end || most == 0) return;
  mStop = false;
  mThread = std::thread(
      [this, first, end, most, fetcher = std::move(fetcher)] { Run(first, end, most, fetcher); });
}

void FetchAhead::Stop() noexcept {
  mStop = true;
  if (mThread.joinable()) mThread.join();
}

void FetchAhead::Run(std::size_t first, std::size_t end, std::size_t most, const Fetcher& fetcher) {
  for (std::size_t index = first; index < end && index - first < most && !mStop; ++index) {
    Fetched fetch;
    const FetchView keep = [&fetch](const FetchShown& shown) { fetch.shown.push_back(shown); };
    try {
      fetch.fetched = fetcher(index, keep);
    } catch (...) {
      fetch.failure = std::current_exception();
    }
    const bool failed = !fetch.fetched;
    const std::lock_guard lock(mMutex);
    mFetched.emplace(index, std::move(fetch));
    mEnd = index + 1;
    // The run stops at that package: nothing after it is fetched.
    if (failed) {
      mFailed = true;
      return;
    }
  }
}

std::size_t FetchAhead::End() const {
  const std::lock_guard lock(mMutex);
  return mEnd;
}

std::optional<FetchAhead::Fetched> FetchAhead::Take(std::size_t index) {
  const std::lock_guard lock(mMutex);
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
