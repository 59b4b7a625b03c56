#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tavex::engine {

// Runs jobs one after the other, in the order they were posted, on a thread
// of its own (started by the first job), so that the poster can go on with
// other work meanwhile. What a job writes is the poster's to read once Wait
// has returned.
class SerialWorker {
 public:
  SerialWorker() = default;
  // Runs the jobs still waiting, then ends the thread.
  ~SerialWorker();
  SerialWorker(const SerialWorker&) = delete;
  SerialWorker& operator=(const SerialWorker&) = delete;

  void Post(std::function<void()> job);
  // Returns once every job posted so far has run; raises again the first
  // failure a job raised since the last Wait (a job is meant to keep its
  // own failures: one that escapes is not lost).
  void Wait();

 private:
  void Run();

  std::mutex mMutex;
  std::condition_variable mChanged;
  std::deque<std::function<void()>> mJobs;
  bool mRunning = false;  // a job is under way
  bool mEnding = false;
  std::exception_ptr mEscaped;
  std::thread mThread;
};

}  // namespace tavex::engine
