#pragma once

#include <chrono>
#include <functional>

#include "database/Connection.h"

namespace tavex {

// Runs a long series of writes on the host database in transactions short
// enough for POS terminals to settle bills in between.
//
// On SQLite a writing transaction locks the whole file, and a terminal
// waiting for it polls, sleeping up to 100 ms between tries: each
// transaction here ends once it has run for a slice, and the next starts only
// after a pause longer than the terminal's sleep. On PostgreSQL nobody waits for rows
// written into tables of the run's own, so the whole series is one strict
// transaction there, a single snapshot.
//
// A series that runs in several transactions is no snapshot: what a later
// write reads may have changed since an earlier one. Callers must make up
// for that (a run that marks rows as sent compares them with what it
// staged).
class ShortWriteTransactions {
 public:
  // How long a transaction may run before it ends at the next boundary.
  static constexpr std::chrono::milliseconds kSlice{100};

  explicit ShortWriteTransactions(db::Connection& connection,
                                  std::chrono::milliseconds slice = kSlice);
  // Rolls back a transaction of the series still open.
  ~ShortWriteTransactions();
  ShortWriteTransactions(const ShortWriteTransactions&) = delete;
  ShortWriteTransactions& operator=(const ShortWriteTransactions&) = delete;

  // Runs `writes` inside a transaction of the series, never split; writes
  // expected to take `expected` may start a new one (StartsAnew). A failure
  // they raise rolls the open transaction back and propagates; what earlier
  // transactions committed stays. Inside a transaction of the caller's, the
  // writes simply run in it.
  void Run(const std::function<void()>& writes, std::chrono::steady_clock::duration expected = {});
  // Commits the open transaction, if any.
  void Finish();

  // Whether writes expected to take `expected` end the transaction that has
  // run for `held` and start a new one: when they would keep it past the
  // slice and it has used half of it. A long statement behind short ones
  // would hold the lock for both; behind a transaction just begun it makes
  // a writer wait hardly longer, and a new transaction would cost a pause.
  static bool StartsAnew(std::chrono::steady_clock::duration held,
                         std::chrono::steady_clock::duration expected,
                         std::chrono::milliseconds slice);

 private:
  // Commits the open transaction and lets waiting writers in before the
  // next one.
  void EndSlice();

  db::Connection& mConnection;
  std::chrono::milliseconds mSlice;
  bool mSliced;
  bool mOpen = false;  // a transaction of the series is open
  // Before the next transaction: an earlier one ended, let waiting writers in.
  std::chrono::milliseconds mPause{0};
  std::chrono::steady_clock::time_point mStarted;
};

}  // namespace tavex
