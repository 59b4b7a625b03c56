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
// `text`, or the word for never when it is empty.
std::string OrNever(const std::string& text, const OverviewTexts& texts);
// Whether a branch signs: yes, no, or unknown when none of its packages was seen.
std::string SignsText(const std::optional<bool>& signs, const OverviewTexts& texts);
// The name of head office's run or receiver "download" or "relay".
const std::string& RunName(const std::string& run, const OverviewTexts& texts);
// The reasons the overview needs attention, each a line.
std::vector<std::string> AttentionReasons(const ChainOverview& overview,
                                          const OverviewTexts& texts);

}  // namespace tavex
