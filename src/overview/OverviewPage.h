#pragma once

#include <cstdint>
#include <string>

#include "overview/ChainOverview.h"
#include "overview/OverviewTexts.h"

namespace tavex {

// The overview as one self-contained page for people: XHTML that any
// browser shows and any XML parser reads, its styles and charts (SVG)
// inline, no script and nothing fetched from elsewhere. A bar chart of
// bills per branch per day beside each branch, a line of the chain's sales
// per day, the tables of the text form. Drawn in dark ink with markers and
// words beside every colour, so that it reads printed in black and white.
// `languageTag` is the page's language ("zh-Hans", "zh-Hant", "en").
std::string OverviewPage(const ChainOverview& overview, const OverviewTexts& texts,
                         const std::string& languageTag);

// The page language of a language number of the language files (2:
// Traditional Chinese, 3: English, any other: Simplified Chinese).
std::string LanguageTag(std::int32_t language);

// Writes `page` as the file `path` under a temporary name, then renames it,
// so that a web server never serves half a page. Readable by everyone: the
// page is written to be published. Raises std::runtime_error on failure.
void WriteOverviewPage(const std::string& path, const std::string& page);

}  // namespace tavex
