#pragma once

#include <string>
#include <vector>

#include "overview/ChainOverview.h"
#include "overview/OverviewTexts.h"

namespace tavex {

// The overview as lines for a terminal, in the language of `texts`: the
// branches (those needing attention first, marked "!"), the chain per day,
// the refused packages, head office's runs, and what needs attention.
std::vector<std::string> OverviewLines(const ChainOverview& overview, const OverviewTexts& texts);

// The overview as JSON for other programs; keys in English, whatever the
// language.
std::string OverviewJson(const ChainOverview& overview);

// The texts every form of the overview shares.
std::string SalesText(double sales);
std::string RunTimeText(const std::optional<std::chrono::system_clock::time_point>& when);
// The reasons the overview needs attention, each a line.
std::vector<std::string> AttentionReasons(const ChainOverview& overview,
                                          const OverviewTexts& texts);

}  // namespace tavex
