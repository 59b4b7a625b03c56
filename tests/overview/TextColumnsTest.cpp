#include <gtest/gtest.h>

#include "overview/TextColumns.h"

namespace tavex {
namespace {

TEST(TextColumns, ChineseAndLatinColumnsLineUpOnATerminal) {
  EXPECT_EQ(4u, DisplayWidth("分店"));
  EXPECT_EQ(6u, DisplayWidth("B01：x"));  // the full-width colon takes two
  EXPECT_EQ(3u, DisplayWidth("abc"));

  const std::vector<std::string> lines = AlignedRows(
      {{"分店", "账单", "营业额"}, {"B01", "7", "1234.50"}, {"总部", "12", "9.00"}}, {1, 2});
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("分店  账单   营业额", lines[0]);
  EXPECT_EQ("B01      7  1234.50", lines[1]);
  EXPECT_EQ("总部    12     9.00", lines[2]);
}

}  // namespace
}  // namespace tavex
