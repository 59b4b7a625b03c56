#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavex {

// The columns a terminal gives `text` (UTF-8): two for each East Asian wide
// or full-width character (the Chinese texts), one for any other.
std::size_t DisplayWidth(std::string_view text);

// `rows` as lines whose columns line up on a terminal, two spaces apart; the
// columns in `rightAligned` (numbers) are aligned to the right. Trailing
// blanks are left out.
std::vector<std::string> AlignedRows(const std::vector<std::vector<std::string>>& rows,
                                     const std::set<std::size_t>& rightAligned = {});

}  // namespace tavex
