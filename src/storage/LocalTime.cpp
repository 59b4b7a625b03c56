#include "storage/LocalTime.h"

#include <ctime>

namespace tavex {

std::string LocalTimeText(std::chrono::system_clock::time_point when, const char* format) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

}  // namespace tavex
