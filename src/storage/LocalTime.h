#pragma once

#include <chrono>
#include <string>

namespace tavex {

// `when` in local time, formatted by strftime's `format` (at most 63
// characters of result).
std::string LocalTimeText(std::chrono::system_clock::time_point when, const char* format);

// The local time now as the host databases store times: "YYYY-MM-DD
// HH:MM:SS".
std::string NowText();

// `day` formatted by strftime's `format` (its date fields only).
std::string DayText(std::chrono::year_month_day day, const char* format);

// The local date of `when`.
std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point when);

}  // namespace tavex
