#include "storage/ShortWriteTransactions.h"

#include <thread>

#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

// How long the next transaction waits after one that held the lock for
// `held`: long enough for every writer that waited meanwhile to try at least
// once. SQLite's busy handler sleeps at most 50 ms between tries while it has
// waited less than about 230 ms, and 100 ms after.
std::chrono::milliseconds PauseAfter(std::chrono::steady_clock::duration held) {
  return held < std::chrono::milliseconds(200) ? std::chrono::milliseconds(60)
                                               : std::chrono::milliseconds(120);
}

}  // namespace

ShortWriteTransactions::ShortWriteTransactions(db::Connection& connection,
                                               std::chrono::milliseconds slice)
    : mConnection(connection),
      mSlice(slice),
      mSliced(connection.GetBackend() == db::Backend::Sqlite) {}

ShortWriteTransactions::~ShortWriteTransactions() {
  IgnoreFailure([&] {
    if (mOpen) mConnection.RollbackTrans();
  });
}

void ShortWriteTransactions::Run(const std::function<void()>& writes,
                                 std::chrono::steady_clock::duration expected) {
  if (mOpen && mSliced &&
      StartsAnew(std::chrono::steady_clock::now() - mStarted, expected, mSlice)) {
    EndSlice();
  }
  if (!mOpen && !mConnection.InTransaction()) {
    if (mPause.count() > 0) std::this_thread::sleep_for(mPause);
    mConnection.BeginTrans(db::TransactionKind::Strict);
    mOpen = true;
    mStarted = std::chrono::steady_clock::now();
  }
  try {
    writes();
  } catch (...) {
    if (mOpen) {
      mOpen = false;
      IgnoreFailure([&] { mConnection.RollbackTrans(); });
    }
    throw;
  }
  if (mOpen && mSliced && std::chrono::steady_clock::now() - mStarted >= mSlice) EndSlice();
}

void ShortWriteTransactions::EndSlice() {
  Finish();
  mPause = PauseAfter(std::chrono::steady_clock::now() - mStarted);
}

bool ShortWriteTransactions::StartsAnew(std::chrono::steady_clock::duration held,
                                        std::chrono::steady_clock::duration expected,
                                        std::chrono::milliseconds slice) {
  return held + expected >= slice && 2 * held >= slice;
}

void ShortWriteTransactions::Finish() {
  if (!mOpen) return;
  mConnection.CommitTrans();
  mOpen = false;
}

}  // namespace tavex
