#include "trust/PackageLimits.h"

#include <cmath>
#include <cstdlib>

#include "transfer/IniSection.h"

namespace tavex::trust {

namespace {

// The positive number `text` holds, or nullopt.
std::optional<double> PositiveNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  while (end != nullptr && (*end == ' ' || *end == '\t')) ++end;
  if (end == nullptr || *end != '\0' || !std::isfinite(number) || number <= 0) return std::nullopt;
  return number;
}

std::uint64_t Mebibytes(double number) {
  constexpr double kMax = 1ull << 43;  // 8 EiB in MiB: beyond any disk
  return static_cast<std::uint64_t>(std::min(number, kMax) * (1 << 20));
}

}  // namespace

std::optional<PackageLimits> ReadPackageLimits(const std::string& path) {
  const std::optional<IniValues> values = ReadIniSection(path, "Packages");
  if (!values) return std::nullopt;
  PackageLimits limits;
  if (auto size = PositiveNumber(IniValue(*values, "maxsizemb")))
    limits.maxBytes = Mebibytes(*size);
  if (auto free = PositiveNumber(IniValue(*values, "freespacemb"))) {
    limits.reserveBytes = Mebibytes(*free);
  }
  if (auto seconds = PositiveNumber(IniValue(*values, "timelimit"))) {
    constexpr double kDay = 24.0 * 3600;
    limits.timeLimit = std::chrono::milliseconds(
        std::max<std::int64_t>(1, static_cast<std::int64_t>(std::min(*seconds, kDay) * 1000)));
  }
  return limits;
}

PackageLimits CurrentPackageLimits() {
  return ReadPackageLimits(TransferOptionsFile()).value_or(PackageLimits{});
}

}  // namespace tavex::trust
