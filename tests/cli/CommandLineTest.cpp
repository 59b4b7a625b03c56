#include <gtest/gtest.h>

#include "cli/CommandLine.h"

namespace tavex::cli {
namespace {

const std::vector<OptionSpec> kAccepted{
    {"db", true, false}, {"set", true, true}, {"list", false, false}, {"bills", true, false}};

CommandLine Parse(const std::vector<std::string>& args) {
  return CommandLine::Parse(args, kAccepted);
}

TEST(CommandLineTest, ReadsValuesFlagsAndRepeatedOptions) {
  const auto line = Parse({"--db", "sqlite:/x.db", "--set=801=B01", "--list", "--set", "802="});
  EXPECT_EQ("sqlite:/x.db", line.Value("db"));
  EXPECT_TRUE(line.Has("list"));
  EXPECT_FALSE(line.Has("bills"));
  EXPECT_EQ("fallback", line.Value("bills", "fallback"));
  EXPECT_EQ((std::vector<std::string>{"801=B01", "802="}), line.Values("set"));
  EXPECT_TRUE(line.Values("bills").empty());
}

TEST(CommandLineTest, NumbersMustBeWholeAndInRange) {
  EXPECT_EQ(250, Parse({"--bills", "250"}).Number("bills", 1, 0, 1000));
  EXPECT_EQ(7, Parse({}).Number("bills", 7, 0, 1000));
  for (const char* bad : {"-1", "1001", "12x", "", "1.5", " 3"}) {
    EXPECT_THROW(Parse({"--bills", bad}).Number("bills", 1, 0, 1000), UsageError) << bad;
  }
}

TEST(CommandLineTest, OneArgumentMayStandAmongTheOptionsWhenTheCommandTakesIt) {
  const auto line =
      CommandLine::Parse({"--db", "sqlite:/x.db", "DoFTP", "--list"}, kAccepted, true);
  EXPECT_EQ("DoFTP", line.Argument());
  EXPECT_EQ("sqlite:/x.db", line.Value("db"));
  EXPECT_EQ("", CommandLine::Parse({"--list"}, kAccepted, true).Argument());
  EXPECT_THROW(CommandLine::Parse({"DoFTP", "DoRestore"}, kAccepted, true), UsageError);
  EXPECT_THROW(CommandLine::Parse({"DoFTP"}, kAccepted), UsageError);
}

}  // namespace
}  // namespace tavex::cli
