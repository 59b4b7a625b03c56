#include <gtest/gtest.h>

#include "entry/ActionNames.h"

namespace tavex {
namespace {

TEST(FindAction, ComparesTheWholeNameIgnoringCaseOnly) {
  struct Case {
    const char* name;
    ActionKey key;
    std::optional<std::size_t> expected;
  };
  const Case cases[] = {
      {"as in the table", std::string("DoUpload"), 7},
      {"capitals only", std::string("DOUPLOAD"), 7},
      {"lower case only", std::string("doupload"), 7},
      {"mixed case", std::string("dOfTp"), 11},
      {"first entry", std::string("DoDDDelete"), 0},
      {"leading blank", std::string(" DoUpload"), std::nullopt},
      {"trailing blank", std::string("DoUpload "), std::nullopt},
      {"one extra letter", std::string("DoUploads"), std::nullopt},
      {"prefix only", std::string("DoUp"), std::nullopt},
      {"empty", std::string(), std::nullopt},
      {"numeric key", std::int64_t{7}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(FindAction(c.key), c.expected) << c.name;
}

TEST(FindAction, EveryNameFindsItsOwnPlace) {
  for (std::size_t i = 0; i < kActionNames.size(); ++i) {
    EXPECT_EQ(FindAction(std::string(kActionNames[i])), i) << kActionNames[i];
  }
}

TEST(ActionKeyText, NumbersAreComparedByTheirDecimalText) {
  EXPECT_EQ(ActionKeyText(std::int64_t{-42}), "-42");
  EXPECT_EQ(ActionKeyText(std::string("DoFTP")), "DoFTP");
}

}  // namespace
}  // namespace tavex
