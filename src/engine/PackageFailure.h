#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "database/Connection.h"
#include "engine/Errors.h"

namespace tavex::engine {

// A failure inside the engine that becomes one entry of Errors.
class PackageFailure : public std::runtime_error {
 public:
  PackageFailure(std::int32_t number, const std::string& description)
      : std::runtime_error(description), mNumber(number) {}
  std::int32_t Number() const { return mNumber; }

 private:
  std::int32_t mNumber;
};

// Thrown when a progress handler sets Cancel; the run ends with no error.
struct Cancelled {};

// The error number of a database failure, by whose fault it is.
inline std::int32_t NumberOf(const db::DbError& error, std::int32_t statementFault) {
  switch (error.Fault()) {
    case db::DbFault::Local:
      return kErrLocal;
    case db::DbFault::TimeLimit:
      return kErrTimeLimit;
    case db::DbFault::Statement:
      break;
  }
  return statementFault;
}

// Runs `body(context)` and turns what it raises into one entry of `errors`
// (led by the step `context` names): false on a failure or a cancel (no
// entry), true when it ran through. `errors` is cleared first.
template <typename Body>
bool CatchInto(Errors& errors, Body body) {
  errors.Clear();
  std::string context;
  const auto described = [&](const std::string& text) {
    return context.empty() ? text : context + ": " + text;
  };
  try {
    body(context);
    return true;
  } catch (const Cancelled&) {
  } catch (const PackageFailure& failure) {
    errors.Add(failure.Number(), described(failure.what()));
  } catch (const db::DbError& error) {
    errors.Add(NumberOf(error, kErrDatabase), described(error.what()));
  } catch (const std::exception& error) {
    errors.Add(kErrUnexpected, described(error.what()));
  }
  return false;
}

}  // namespace tavex::engine
