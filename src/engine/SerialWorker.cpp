#include "engine/SerialWorker.h"

#include <utility>

namespace tavex::engine {

SerialWorker::~SerialWorker() {
  {
    const std::lock_guard lock(mMutex);
    mEnding = true;
  }
  mChanged.notify_all();
  if (mThread.joinable()) mThread.join();
}

void SerialWorker::Post(std::function<void()> job) {
  {
    const std::lock_guard lock(mMutex);
    mJobs.push_back(std::move(job));
    if (!mThread.joinable()) mThread = std::thread([this] { Run(); });
  }
  mChanged.notify_all();
}

void SerialWorker::Wait() {
  std::unique_lock lock(mMutex);
  mChanged.wait(lock, [this] { return mJobs.empty() && !mRunning; });
  if (mEscaped) std::rethrow_exception(std::exchange(mEscaped, nullptr));
}

void SerialWorker::Run() {
  std::unique_lock lock(mMutex);
  for (;;) {
    mChanged.wait(lock, [this] { return !mJobs.empty() || mEnding; });
    if (mJobs.empty()) return;
    std::function<void()> job = std::move(mJobs.front());
    mJobs.pop_front();
    mRunning = true;
    lock.unlock();
    std::exception_ptr escaped;
    try {
      job();
    } catch (...) {
      escaped = std::current_exception();
    }
    lock.lock();
    mRunning = false;
    if (escaped && !mEscaped) mEscaped = escaped;
    mChanged.notify_all();
  }
}

}  // namespace tavex::engine
