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

std::string NowText() {
  return LocalTimeText(std::chrono::system_clock::now(), "%Y-%m-%d %H:%M:%S");
}

std::string DayText(std::chrono::year_month_day day, const char* format) {
  std::tm date{};
  date.tm_year = static_cast<int>(day.year()) - 1900;
  date.tm_mon = static_cast<int>(static_cast<unsigned>(day.month())) - 1;
  date.tm_mday = static_cast<int>(static_cast<unsigned>(day.day()));
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, format, &date));
}

std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  return std::chrono::year{local.tm_year + 1900} /
         std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)} /
         std::chrono::day{static_cast<unsigned>(local.tm_mday)};
}

}  // namespace tavex
