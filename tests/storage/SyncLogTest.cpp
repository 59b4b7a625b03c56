#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "storage/SyncLog.h"
#include "support/PluginHome.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute,
                                                int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

// Splits at CR LF; fails the test on a bare LF or a missing final CR LF.
std::vector<std::string> Records(const std::string& contents) {
  std::vector<std::string> records;
  std::size_t start = 0;
  while (start < contents.size()) {
    std::size_t end = contents.find("\r\n", start);
    EXPECT_NE(std::string::npos, end) << "record without CR LF at " << start;
    if (end == std::string::npos) break;
    records.push_back(contents.substr(start, end - start));
    start = end + 2;
  }
  return records;
}

class SyncLogTest : public ::testing::Test {
 protected:
  std::string LogFile(const std::string& day) const {
    return mHome / ("Log/数据同步日志" + day + ".log");
  }
  std::string Write(const std::string& text, std::chrono::system_clock::time_point when) {
    std::string folder;
    WriteSyncLogAt(text, folder, when);
    return folder;
  }

  test::PluginHome mHome;
};

TEST_F(SyncLogTest, ARecordIsTheQuotedTimeAndTextEndedByCrLf) {
  std::string folder =
      Write("正在上传文件：B01-20261204090507.pkg", LocalTime(2026, 12, 4, 9, 5, 7));
  EXPECT_EQ(mHome / "Log", folder);
  EXPECT_EQ("\"2026-12-04 09:05:07\",\"正在上传文件：B01-20261204090507.pkg\"\r\n",
            test::ReadFile(LogFile("20261204")));
  EXPECT_EQ(LogFile("20261204"), GetLastLogFile());
}

// Texts are written unchanged, empty or with quotes inside.
TEST_F(SyncLogTest, RecordsOfOneDayAppendInCallOrderAndMidnightStartsTheNextFile) {
  Write("", LocalTime(2026, 12, 31, 23, 59, 58));
  Write("say \"hi\", then go", LocalTime(2026, 12, 31, 23, 59, 59));
  Write("third", LocalTime(2027, 1, 1, 0, 0, 1));
  EXPECT_EQ(
      "\"2026-12-31 23:59:58\",\"\"\r\n"
      "\"2026-12-31 23:59:59\",\"say \"hi\", then go\"\r\n",
      test::ReadFile(LogFile("20261231")));
  EXPECT_EQ("\"2027-01-01 00:00:01\",\"third\"\r\n", test::ReadFile(LogFile("20270101")));
  EXPECT_EQ(LogFile("20270101"), GetLastLogFile());
}

TEST_F(SyncLogTest, AFolderNamedByTheCallerIsCreatedAndKept) {
  std::string folder = mHome / "elsewhere/deep";
  WriteSyncLogAt("x", folder, LocalTime(2026, 3, 4, 5, 6, 7));
  EXPECT_EQ(mHome / "elsewhere/deep", folder);
  EXPECT_TRUE(fs::exists(mHome / "elsewhere/deep/数据同步日志20260304.log"));
  EXPECT_FALSE(fs::exists(mHome / "Log"));
}

TEST_F(SyncLogTest, AnUnwritableFolderLosesTheRecordSilentlyButStillNamesTheFile) {
  test::WriteFile(mHome / "blocked", "a file, not a folder");
  std::string folder = mHome / "blocked/Log";
  EXPECT_NO_THROW(WriteSyncLogAt("lost", folder, LocalTime(2026, 5, 6, 7, 8, 9)));
  EXPECT_EQ(mHome / "blocked/Log/数据同步日志20260506.log", GetLastLogFile());
  EXPECT_EQ("a file, not a folder", test::ReadFile(mHome / "blocked"));
}

TEST_F(SyncLogTest, TwoProcessesAppendingAtOnceInterleaveWholeRecords) {
  constexpr int kRecords = 300;
  // Long records: a writer that split a record into pieces would let the
  // other process's record land in between.
  auto text = [](char mark, int i) { return std::string(3000, mark) + std::to_string(i); };
  auto when = LocalTime(2026, 7, 8, 9, 10, 11);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 0; i < kRecords; ++i) Write(text('c', i), when);
    _exit(0);
  }
  for (int i = 0; i < kRecords; ++i) Write(text('p', i), when);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  auto records = Records(test::ReadFile(LogFile("20260708")));
  ASSERT_EQ(2u * kRecords, records.size());
  int nextOf[2] = {0, 0};
  for (const auto& record : records) {
    char mark = record.size() > 23 ? record[23] : '?';
    ASSERT_TRUE(mark == 'c' || mark == 'p') << record.substr(0, 40);
    int& next = nextOf[mark == 'c' ? 0 : 1];
    EXPECT_EQ("\"2026-07-08 09:10:11\",\"" + text(mark, next) + "\"", record);
    ++next;
  }
}

}  // namespace
}  // namespace tavex
