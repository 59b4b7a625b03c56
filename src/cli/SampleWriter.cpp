#include "cli/SampleWriter.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

namespace tavex::cli::sample {

std::uint64_t Random::Next() {
  std::uint64_t z = (mState += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int Random::Below(int n) {
  if (n <= 0) return 0;
  return static_cast<int>(Next() % static_cast<std::uint64_t>(n));
}

double Random::Amount(double low, double high) {
  const auto cents = static_cast<long long>((high - low) * 100);
  return low + static_cast<double>(static_cast<long long>(Next() % (cents + 1))) / 100.0;
}

std::string Day::At(int minuteOfDay) const {
  const std::chrono::year_month_day ymd(mDay);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:00", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                minuteOfDay / 60 % 24, minuteOfDay % 60);
  return text;
}

std::string Day::Stem() const {
  const std::chrono::year_month_day ymd(mDay);
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02u%02u", static_cast<int>(ymd.year()) % 100,
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return text;
}

int Day::Year() const { return static_cast<int>(std::chrono::year_month_day(mDay).year()); }
int Day::Month() const {
  return static_cast<int>(static_cast<unsigned>(std::chrono::year_month_day(mDay).month()));
}
int Day::DayOfMonth() const {
  return static_cast<int>(static_cast<unsigned>(std::chrono::year_month_day(mDay).day()));
}

Inserter::Inserter(db::Connection& connection, std::string table,
                   const std::vector<std::string>& columns)
    : mConnection(connection), mTable(std::move(table)), mColumnCount(columns.size()) {
  std::string names;
  std::string marks;
  for (const auto& column : columns) {
    if (!names.empty()) {
      names += ", ";
      marks += ", ";
    }
    names += "[" + column + "]";
    marks += "?";
  }
  mSql = "INSERT INTO " + mTable + " (" + names + ") VALUES (" + marks + ")";
}

void Inserter::Insert(const db::Params& values) {
  if (values.size() != mColumnCount) {
    throw std::logic_error("internal: " + std::to_string(values.size()) + " values for " +
                           std::to_string(mColumnCount) + " columns of " + mTable);
  }
  mConnection.Execute(mSql, values);
  ++mCount;
}

void RowCounts::Add(const std::string& table, std::int64_t rows) {
  for (auto& entry : mTables) {
    if (entry.first == table) {
      entry.second += rows;
      return;
    }
  }
  mTables.emplace_back(table, rows);
}

std::string Code(const std::string& prefix, long long n, int width) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*lld", width, n);
  return prefix + digits;
}

std::string BranchUniqueId(const std::string& branchId, const std::string& localId) {
  // Two FNV-1a passes with different offsets give the 128 bits; a separator
  // that cannot occur in either id keeps ("B0", "1x") apart from ("B01", "x").
  const std::string key = branchId + '\0' + localId;
  auto fnv = [&key](std::uint64_t hash) {
    for (const unsigned char c : key) hash = (hash ^ c) * 0x100000001B3ULL;
    return hash;
  };
  const std::uint64_t high = fnv(0xCBF29CE484222325ULL);
  const std::uint64_t low = fnv(0x84222325CBF29CE4ULL);
  char text[40];
  std::snprintf(text, sizeof text, "%08llX-%04llX-%04llX-%04llX-%012llX",
                static_cast<unsigned long long>(high >> 32),
                static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                static_cast<unsigned long long>(high & 0xFFFF),
                static_cast<unsigned long long>(low >> 48),
                static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
  return text;
}

}  // namespace tavex::cli::sample
