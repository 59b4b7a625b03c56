#pragma once

#include <chrono>
#include <string>

namespace tavex {

// `when` in local time, formatted by strftime's `format` (at most 63
// characters of result).
std::string LocalTimeText(std::chrono::system_clock::time_point when, const char* format);

// The local date of `when`.
std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point when);

}  // namespace tavex
