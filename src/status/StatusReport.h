#pragma once

#include <string>
#include <vector>

#include "status/SiteStatus.h"
#include "status/StatusTexts.h"

namespace tavex {

// The status as lines for people, in the texts of the language file.
std::vector<std::string> StatusLines(const SiteStatus& status, const StatusTexts& texts);

// The status as one JSON object for scripts, on one line. Names come from
// folders and may be in any encoding: bytes that are not UTF-8 become
// U+FFFD, so the output is always valid JSON.
std::string StatusJson(const SiteStatus& status);

}  // namespace tavex
