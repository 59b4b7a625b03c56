#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "database/Connection.h"

namespace tavex::cli::sample {

// A small deterministic generator (SplitMix64): the same seed gives the same
// sample database on every platform, unlike the distributions of <random>.
class Random {
 public:
  explicit Random(std::uint64_t seed) : mState(seed) {}

  std::uint64_t Next();
  // A number in [0, n); 0 when n is 0.
  int Below(int n);
  // True with probability 1/n.
  bool OneIn(int n) { return Below(n) == 0; }
  // An amount in [low, high] with two decimals.
  double Amount(double low, double high);

 private:
  std::uint64_t mState;
};

// A business day of the sample and its date-time texts.
class Day {
 public:
  explicit Day(std::chrono::sys_days day) : mDay(day) {}

  Day Plus(int days) const { return Day(mDay + std::chrono::days(days)); }
  // "YYYY-MM-DD HH:MM:SS" at the given minute of the day (0 = midnight).
  std::string At(int minuteOfDay) const;
  std::string Midnight() const { return At(0); }
  // "yymmdd", the stem of the day's keys.
  std::string Stem() const;
  int Year() const;
  int Month() const;
  int DayOfMonth() const;

 private:
  std::chrono::sys_days mDay;
};

// Inserts rows into one table through one prepared statement and counts them.
class Inserter {
 public:
  Inserter(db::Connection& connection, std::string table, const std::vector<std::string>& columns);

  void Insert(const db::Params& values);
  const std::string& Table() const { return mTable; }
  std::int64_t Count() const { return mCount; }

 private:
  db::Connection& mConnection;
  std::string mTable;
  std::string mSql;
  std::size_t mColumnCount;
  std::int64_t mCount = 0;
};

// Every table written so far with its row count, in the order first written.
class RowCounts {
 public:
  void Add(const std::string& table, std::int64_t rows);
  const std::vector<std::pair<std::string, std::int64_t>>& Tables() const { return mTables; }

 private:
  std::vector<std::pair<std::string, std::int64_t>> mTables;
};

// "prefix" followed by n zero-padded to `width` digits.
std::string Code(const std::string& prefix, long long n, int width);

// A GUID-shaped id, the same for the same branch and local id, different
// across branches. The upload re-keys bills, items, split lines and shifts
// with the branch prefix but leaves the ids of payment lines, shift sums and
// reversed checkouts as they are, so those must already be unique across
// every branch that sends to head office.
std::string BranchUniqueId(const std::string& branchId, const std::string& localId);

}  // namespace tavex::cli::sample
