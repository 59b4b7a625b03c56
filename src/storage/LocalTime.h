#pragma once

#include <chrono>
#include <string>

namespace tavex {

// `when` in local time, formatted by strftime's `format` (at most 63
// characters of result).
std::string LocalTimeText(std::chrono::system_clock::time_point when, const char* format);

}  // namespace tavex
