#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "database/Connection.h"

namespace tavex::test {

// A POS terminal on a connection of its own that writes in lock step with a
// run: at every Line() (called from the run's progress hook) it makes one
// write, `write(connection, attempt)` in a transaction of its own, and the run
// goes on only once that write has committed or failed. A run that made a
// terminal's write wait for it would hang here, never pass.
class PosTerminal {
 public:
  using Write = std::function<void(db::Connection&, std::size_t attempt)>;

  PosTerminal(std::shared_ptr<db::Connection> connection, Write write)
      : mThread([this, connection = std::move(connection), write = std::move(write)] {
          std::unique_lock lock(mMutex);
          while (true) {
            mTurn.wait(lock, [&] { return mStop || mAttempts < mLines; });
            if (mStop) return;
            const std::size_t attempt = mAttempts;
            lock.unlock();
            bool ok = false;
            try {
              connection->BeginTrans();
              write(*connection, attempt);
              connection->CommitTrans();
              ok = true;
            } catch (const db::DbError&) {
              if (connection->InTransaction()) connection->RollbackTrans();
            }
            lock.lock();
            ++mAttempts;
            if (ok) mCommitted.push_back(attempt);
            mTurn.notify_all();
          }
        }) {}
  ~PosTerminal() { Stop(); }
  PosTerminal(const PosTerminal&) = delete;
  PosTerminal& operator=(const PosTerminal&) = delete;

  // One line shown: the terminal writes once; returns when it is done.
  void Line() {
    std::unique_lock lock(mMutex);
    ++mLines;
    mTurn.notify_all();
    mTurn.wait(lock, [&] { return mAttempts == mLines; });
  }

  // Ends the terminal; then the lines and the writes that committed (their
  // attempt numbers) can be read.
  void Stop() {
    {
      std::lock_guard lock(mMutex);
      mStop = true;
      mTurn.notify_all();
    }
    if (mThread.joinable()) mThread.join();
  }
  std::size_t Lines() const { return mLines; }
  const std::vector<std::size_t>& Committed() const { return mCommitted; }

 private:
  std::mutex mMutex;
  std::condition_variable mTurn;
  std::size_t mLines = 0;
  std::size_t mAttempts = 0;
  std::vector<std::size_t> mCommitted;
  bool mStop = false;
  std::thread mThread;  // last: starts once the state above is made
};

}  // namespace tavex::test
