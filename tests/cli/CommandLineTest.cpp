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
  const auto line = CommandLine::Parse({"--db", "sqlite:/x.db", "DoFTP", "--list"}, kAccepted, 1);
  EXPECT_EQ("DoFTP", line.Argument());
  EXPECT_EQ("sqlite:/x.db", line.Value("db"));
  EXPECT_EQ("", CommandLine::Parse({"--list"}, kAccepted, 1).Argument());
  EXPECT_THROW(CommandLine::Parse({"DoFTP", "DoRestore"}, kAccepted, 1), UsageError);
  EXPECT_THROW(CommandLine::Parse({"DoFTP"}, kAccepted), UsageError);
}

TEST(CommandLineTest, SeveralArgumentsKeepTheirOrderAmongTheOptions) {
  const auto line =
      CommandLine::Parse({"trust", "--db", "sqlite:/x.db", "B01", "--list", "KEY"}, kAccepted, 3);
  EXPECT_EQ((std::vector<std::string>{"trust", "B01", "KEY"}), line.Arguments());
  EXPECT_EQ("trust", line.Argument());
  EXPECT_TRUE(line.Has("list"));
  EXPECT_EQ((std::vector<std::string>{"trust"}),
            CommandLine::Parse({"trust"}, kAccepted, 3).Arguments());
  EXPECT_THROW(CommandLine::Parse({"a", "b", "c", "d"}, kAccepted, 3), UsageError);
  // The value of an option is never taken for an argument.
  EXPECT_EQ((std::vector<std::string>{"a"}),
            CommandLine::Parse({"--db", "b", "a"}, kAccepted, 3).Arguments());
}

}  // namespace
}  // namespace tavex::cli
