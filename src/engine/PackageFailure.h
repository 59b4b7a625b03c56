#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

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

}  // namespace tavex::engine
