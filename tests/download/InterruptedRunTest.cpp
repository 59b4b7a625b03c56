#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "DownloadFixture.h"
#include "download/DownloadLoop.h"
#include "support/HostDatabase.h"
#include "support/KilledRun.h"

namespace tavex {
namespace {

using Lines = std::vector<std::string>;

// Runs that die part-way (a kill, a power cut) and the run after them.
class InterruptedRun : public test::DownloadFixture {
 protected:
  // Puts a package of B01, which the run takes first, and one of B02.
  static inline const std::string kFirst = "B01-1.pkg", kSecond = "B02-1.pkg";
  void PutTwoBranches() {
    PutPackage(kFirst, BillPackage("B01", 1, 3));
    PutPackage(kSecond, BillPackage("B02", 1, 2));
  }
  std::int64_t BillsOf(const std::string& package) const {
    return Count("bi_Bill WHERE BillID LIKE '" + package.substr(0, 3) + "%'");
  }

  void ExpectBothBranchesMergedOnce() {
    EXPECT_EQ(5, Count("bi_Bill"));
    EXPECT_EQ(10, Count("bi_BillItem"));
    EXPECT_TRUE(mServer.List("ForDownload/HQ").empty());
    EXPECT_TRUE(FilesBelow("Temp").empty());
    EXPECT_TRUE(FilesBelow("ErrPackage").empty());
  }
};

TEST_P(InterruptedRun, ADeathAtAnyStepLosesNothingAndDuplicatesNothing) {
  struct KillPoint {
    const char* marker;
    bool serverCopyGone;      // the first package was already deleted on the server
    bool secondGone = false;  // so was the second
  };
  const KillPoint points[] = {
      {"1. 正在下载文件：", false},
      {"文件已下载，正在备份文件...", false},
      {"文件已备份，正在删除FTP上的文件 ...", false},
      {"正在解压文件...", true},
      {"正在建立数据库连接...", true},
      {"正在检查数据是否正确...", true},
      {"正在导入数据：", true},
      {"正在复制：23.", true},  // staging the first of the group
      {"正在一并导入 ", true, true},
      {"导入数据成功！", true, true},  // merged, temporary files not yet deleted
  };
  for (const KillPoint& point : points) {
    SCOPED_TRACE(point.marker);
    StartAgain();
    PutTwoBranches();
    ASSERT_EQ(test::kKilled, DownloadKilledAt(point.marker));
    EXPECT_EQ(!point.serverCopyGone, ServerHas(kFirst));

    EXPECT_TRUE(Download());
    EXPECT_EQ(point.serverCopyGone, mList.HasLine("继续导入上次中断的数据包：" + kFirst));
    if (point.serverCopyGone) {
      // The pending package comes first, before the server is even asked.
      EXPECT_EQ("继续导入上次中断的数据包：" + kFirst, mList.lines.front());
      EXPECT_EQ(point.secondGone, mList.HasLine("继续导入上次中断的数据包：" + kSecond));
      EXPECT_EQ(!point.secondGone, mList.HasLine("共有  1 个文件需要下载："));
      EXPECT_EQ(!point.secondGone, mList.HasLine("1. " + kSecond));
    }
    ExpectBothBranchesMergedOnce();
  }
}

// One branch's packages: each closes the group of the one before it, and
// while that merges the next are fetched on the side. Whichever were fetched
// ahead when the run died, the next run merges each of them once.
TEST_P(InterruptedRun, ADeathWithPackagesFetchedAheadLosesNothingAndDuplicatesNothing) {
  for (const char* marker : {"导入数据成功！", "3. 正在下载文件：", "正在复制：23."}) {
    SCOPED_TRACE(marker);
    StartAgain();
    const Lines names = PutInOrder("B01", {BillPackage("B01", 1, 2), BillPackage("B01", 3, 2),
                                           BillPackage("B01", 5, 2), BillPackage("B01", 7, 2)});
    ASSERT_EQ(test::kKilled, DownloadKilledAt(marker));
    EXPECT_TRUE(Download());
    // The packages that were pending come first.
    EXPECT_EQ(0U, mList.lines.front().rfind("继续导入上次中断的数据包：B01-", 0));
    EXPECT_EQ(8, Count("bi_Bill"));
    EXPECT_EQ(16, Count("bi_BillItem"));
    EXPECT_TRUE(mServer.List("ForDownload/HQ").empty());
    EXPECT_TRUE(FilesBelow("Temp").empty()) << ::testing::PrintToString(FilesBelow("Temp"));
    EXPECT_TRUE(FilesBelow("ErrPackage").empty());
  }
}

TEST_P(InterruptedRun, ARunThatDiesWhileResumingIsResumedAgain) {
  PutTwoBranches();
  ASSERT_EQ(test::kKilled, DownloadKilledAt("正在导入数据："));
  ASSERT_EQ(test::kKilled, DownloadKilledAt("正在复制：23."));
  EXPECT_TRUE(Download());
  EXPECT_EQ("继续导入上次中断的数据包：" + kFirst, mList.lines.front());
  ExpectBothBranchesMergedOnce();
}

TEST_P(InterruptedRun, WithoutTheTemporaryCopyTheBackupCopyIsMerged) {
  PutTwoBranches();
  ASSERT_EQ(test::kKilled, DownloadKilledAt("正在解压文件..."));
  ASSERT_TRUE(std::filesystem::remove(mHome / ("Temp/" + kFirst)));
  EXPECT_TRUE(Download());
  EXPECT_EQ((Lines{"继续导入上次中断的数据包：" + kFirst, "正在解压文件...",
                   "正在建立数据库连接...", "正在检查数据是否正确..."}),
            Lines(mList.lines.begin(), mList.lines.begin() + 4));
  ExpectBothBranchesMergedOnce();
}

// The record is written before the server copy goes: when it cannot be
// written, the server keeps the package for the next run.
TEST_P(InterruptedRun, ARecordThatCannotBeWrittenLeavesThePackageOnTheServer) {
  PutTwoBranches();
  mList.onLine = [&](const std::string& line) {
    if (line.rfind("文件已备份", 0) != 0) return;
    std::filesystem::remove_all(mHome / "Temp/Pending");
    test::WriteFile(mHome / "Temp/Pending", "a file where the records go");
  };
  EXPECT_FALSE(Download());
  EXPECT_TRUE(ServerHas(kFirst));
  mList.onLine = nullptr;
  std::filesystem::remove(mHome / "Temp/Pending");
  EXPECT_TRUE(Download());
  ExpectBothBranchesMergedOnce();
}

TEST_P(InterruptedRun, APendingPackageWithNoCopyLeftIsReportedOnce) {
  PutTwoBranches();
  ASSERT_EQ(test::kKilled, DownloadKilledAt("正在检查数据是否正确..."));
  for (const char* folder : {"BckPackage", "Temp"}) {
    for (const std::string& file : FilesBelow(folder)) {
      if (file.find("Pending") == std::string::npos)
        std::filesystem::remove(mHome / (std::string(folder) + "/" + file));
    }
  }
  EXPECT_FALSE(Download());
  EXPECT_EQ(
      (Lines{"继续导入上次中断的数据包：" + kFirst, "找不到上次中断的数据包，无法导入：" + kFirst}),
      mList.lines);
  EXPECT_TRUE(ServerHas(kSecond));

  mList.lines.clear();
  EXPECT_TRUE(Download());
  EXPECT_FALSE(mList.HasLine("继续导入上次中断的数据包：" + kFirst));
  EXPECT_TRUE(mList.HasLine("1. " + kSecond));
  EXPECT_EQ(0, BillsOf(kFirst));
}

TEST_P(InterruptedRun, APendingPackageThatFailsIsFiledLikeAnyOther) {
  PutTwoBranches();
  ASSERT_EQ(test::kKilled, DownloadKilledAt("正在解压文件..."));
  test::WriteFile(mHome / ("Temp/" + kFirst), "damaged");
  EXPECT_FALSE(Download());
  EXPECT_EQ((Lines{"继续导入上次中断的数据包：" + kFirst, "正在解压文件...", "解压数据包失败！",
                   "备份文件到错误目录！"}),
            Lines(mList.lines.begin(), mList.lines.begin() + 4));
  ASSERT_EQ(2u, FilesBelow("ErrPackage").size());
  EXPECT_EQ("damaged", test::ReadFile(mHome / ("ErrPackage/" + FilesBelow("ErrPackage")[0])));
  EXPECT_TRUE(FilesBelow("Temp").empty());
  // Filed means done: the run goes on with the server.
  EXPECT_TRUE(mList.HasLine("1. " + kSecond));
  EXPECT_FALSE(ServerHas(kSecond));
  EXPECT_EQ(0, BillsOf(kFirst));
}

// A package on which every run dies (it crashes the process, or hangs until
// someone kills it) is put aside after three, so the site downloads again.
TEST_P(InterruptedRun, APackageThreeRunsDiedOnIsFiledInsteadOfTriedAgain) {
  PutTwoBranches();
  for (int run = 1; run <= DownloadLoop::kMaxAttempts; ++run) {
    ASSERT_EQ(test::kKilled, DownloadKilledAt("正在导入数据：")) << run;
  }
  EXPECT_FALSE(Download());
  EXPECT_EQ((Lines{"继续导入上次中断的数据包：" + kFirst,
                   "数据包三次导入均未完成，已备份到错误目录：" + kFirst}),
            Lines(mList.lines.begin(), mList.lines.begin() + 2));
  EXPECT_EQ("数据包三次导入均未完成，已备份到错误目录：" + kFirst + "\n",
            test::ReadFile(mHome / ("ErrPackage/" + FilesBelow("ErrPackage")[1])));
  EXPECT_TRUE(mList.HasLine("1. " + kSecond));
  EXPECT_EQ(0, BillsOf(kFirst));
  EXPECT_LT(0, BillsOf(kSecond));
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

INSTANTIATE_HOST_DATABASE_TEST(InterruptedRun);

}  // namespace
}  // namespace tavex
