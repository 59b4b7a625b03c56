#include <gtest/gtest.h>

#include <sstream>

#include "cli/ConsoleProgress.h"

namespace tavex::cli {
namespace {

TEST(ConsoleListTest, PrintsEachLineAndAReplacedLastLineAgain) {
  std::ostringstream out;
  ConsoleList list(out);
  list.AddItem("正在导出数据...");
  list.AddItem("正在复制：21. 消费账单表 ...");
  list.SetItem(1, "成功复制：21. 消费账单表 ，共 3 条数据；");
  list.SetItem(0, "an earlier line changes quietly");
  list.AddItem("");
  EXPECT_EQ(
      "正在导出数据...\n正在复制：21. 消费账单表 ...\n成功复制：21. 消费账单表 ，共 3 条数据；\n\n",
      out.str());
  EXPECT_EQ(3, list.ListCount());
  EXPECT_EQ("an earlier line changes quietly", list.Lines()[0]);
}

TEST(ConsoleBarTest, DrawsOnlyWhereItIsVisibleAndGivesWayToLines) {
  std::ostringstream hiddenErr;
  ConsoleBar hidden(hiddenErr, false);
  hidden.SetValue(50);
  EXPECT_EQ(50, hidden.Value());
  EXPECT_EQ("", hiddenErr.str());

  std::ostringstream err;
  std::ostringstream out;
  ConsoleBar bar(err, true);
  ConsoleList list(out, &bar);
  bar.SetValue(50);
  EXPECT_EQ("\r[" + std::string(20, '#') + std::string(20, '.') + "] 50%", err.str());
  list.AddItem("line");
  EXPECT_EQ("\r\033[K", err.str().substr(err.str().size() - 4));
  bar.SetValue(250);  // beyond the maximum: a full bar
  EXPECT_NE(std::string::npos, err.str().find(std::string(40, '#') + "] 100%"));
}

}  // namespace
}  // namespace tavex::cli
