#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavex::engine {

// Error numbers the engine reports.
enum ErrorNumber : std::int32_t {
  kErrDatabase = 1001,        // the database refused a statement
  kErrMissingColumn = 1002,   // a package column the receiving table lacks
  kErrDamagedPackage = 1003,  // the stored definition or its tables do not hold up
  kErrDefinition = 1004,      // the definition cannot be exported as given
  kErrNotConnected = 1005,    // a connection was not set
  kErrUnexpected = 1006,      // anything else that stopped the work (a file, the memory)
  kErrLocal = 1007,           // this machine could not do the work (a lock, the disk, the link)
  kErrTimeLimit = 1008,       // reading the package took longer than it may
  kErrMissingTable = 1009,    // a receiving table the receiving database lacks
};

// True for the numbers of failures that lie with this machine rather than
// with the package: the same package may well succeed later.
inline bool IsLocalError(std::int32_t number) {
  return number == kErrLocal || number == kErrUnexpected || number == kErrNotConnected;
}

class Error {
 public:
  Error(std::int32_t number, std::string description)
      : mNumber(number), mDescription(std::move(description)) {}
  std::int32_t Number() const { return mNumber; }
  const std::string& Description() const { return mDescription; }

 private:
  std::int32_t mNumber;
  std::string mDescription;
};

// The errors of the last Export, ExportTables or ImportPackage.
class Errors {
 public:
  std::int32_t Count() const { return static_cast<std::int32_t>(mItems.size()); }
  // 1-based, as callers count.
  const Error& Item(std::int32_t index) const { return mItems.at(index - 1); }
  void Add(std::int32_t number, std::string description) {
    mItems.emplace_back(number, std::move(description));
  }
  void Clear() { mItems.clear(); }
  // True when any entry is one of this machine's failures (IsLocalError).
  bool AnyLocal() const {
    for (const Error& error : mItems) {
      if (IsLocalError(error.Number())) return true;
    }
    return false;
  }

 private:
  std::vector<Error> mItems;
};

}  // namespace tavex::engine
