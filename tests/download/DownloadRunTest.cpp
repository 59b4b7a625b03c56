#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "DownloadFixture.h"
#include "download/DownloadLoop.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/HostRunLock.h"
#include "support/HostDatabase.h"
#include "support/Sorted.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class DownloadRun : public test::DownloadFixture {
 protected:
  // The lines of the run from the first one equal to `first`, `count` of them.
  Lines LinesFrom(const std::string& first, std::size_t count) const {
    const auto at = std::find(mList.lines.begin(), mList.lines.end(), first);
    if (at == mList.lines.end()) return {"(no line " + first + ")"};
    const std::size_t left = static_cast<std::size_t>(mList.lines.end() - at);
    return Lines(at, at + static_cast<std::ptrdiff_t>(std::min(count, left)));
  }
  Lines ServerFiles() const { return mServer.List("ForDownload/HQ"); }
  // The files of a month folder of `kind` ("BckPackage", "ErrPackage"),
  // without the month.
  Lines MonthFiles(const std::string& kind) const {
    Lines names;
    for (const std::string& path : FilesBelow(kind)) {
      names.push_back(std::filesystem::path(path).filename().string());
    }
    return test::Sorted(names);
  }
  std::string ErrorCopyPath(const std::string& name) const {
    const Lines files = FilesBelow("ErrPackage");
    return files.empty() ? "" : mHome / ("ErrPackage/" + files.front().substr(0, 8) + name);
  }
};

// In the order of their names, whatever the server's listing: each sender's
// packages then come in the order it made them.
TEST_P(DownloadRun, ThreeBranchesAreMergedInTheOrderOfTheirNames) {
  PutPackage("B03-240305140711.pkg", BillPackage("B03", 1, 1));
  PutPackage("B01-240305140709.pkg", BillPackage("B01", 1, 3));
  PutPackage("B02-240305140710.pkg", BillPackage("B02", 1, 2));
  const Lines order{"B01-240305140709.pkg", "B02-240305140710.pkg", "B03-240305140711.pkg"};
  ASSERT_TRUE(Download());

  EXPECT_EQ(6, Count("bi_Bill"));
  EXPECT_EQ(12, Count("bi_BillItem"));
  EXPECT_EQ("B01-1|B01-1-1|B01-1-2\nB02-1|B02-1-1|B02-1-2\nB03-1|B03-1-1|B03-1-2\n",
            Dump("SELECT b.BillID, MIN(i.BillItemID), MAX(i.BillItemID) FROM bi_Bill b, "
                 "bi_BillItem i WHERE i.BillID = b.BillID AND b.BillID LIKE '%-1' "
                 "GROUP BY b.BillID ORDER BY b.BillID"));

  EXPECT_EQ((Lines{"正在建立FTP连接：127.0.0.1 ...", "正在打开FTP文件夹：ForDownload\\HQ ...",
                   "共有  3 个文件需要下载：", "1. " + order[0], "2. " + order[1], "3. " + order[2],
                   "开始下载文件并导入本地数据库中..."}),
            Lines(mList.lines.begin(), mList.lines.begin() + 7));
  // Handled in that order, each with every step; bills of three senders
  // merge as one group once the last is staged.
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::string branch = order[i].substr(0, 3);
    const std::string bills = branch == "B01" ? "3" : branch == "B02" ? "2" : "1";
    const std::string items = branch == "B01" ? "6" : branch == "B02" ? "4" : "2";
    // The package's identifier counts the packages as the test made them.
    const std::string made = branch == "B03" ? "1" : branch == "B01" ? "2" : "3";
    const std::string first = std::to_string(i + 1) + ". 正在下载文件：" + order[i] + " ...";
    EXPECT_EQ((Lines{first, "文件已下载，正在备份文件...", "文件已备份，正在删除FTP上的文件 ...",
                     "正在解压文件...", "正在建立数据库连接...", "正在检查数据是否正确...",
                     "正在导入数据：" + branch + "-" + made + " ...",
                     "成功复制：21. 消费账单表 ，共 " + bills + " 条数据；",
                     "成功复制：23. 消费明细表 ，共 " + items + " 条数据；"}),
              LinesFrom(first, 9));
  }
  EXPECT_EQ((Lines{"正在一并导入 3 个数据包 ...", order[0] + " 导入数据成功！",
                   order[1] + " 导入数据成功！", order[2] + " 导入数据成功！"}),
            Lines(mList.lines.end() - 4, mList.lines.end()));
  EXPECT_EQ(7u + 3 * 9 + 4, mList.lines.size());
  EXPECT_EQ(static_cast<int>(mList.lines.size()) - 1, mList.selected);

  EXPECT_TRUE(ServerFiles().empty());
  EXPECT_TRUE(FilesBelow("Temp").empty());
  EXPECT_EQ((Lines{"B01-240305140709.pkg", "B02-240305140710.pkg", "B03-240305140711.pkg"}),
            MonthFiles("BckPackage"));
  EXPECT_TRUE(FilesBelow("ErrPackage").empty());

  // Step lines go to the synchronisation log; the engine's copy lines do not.
  const std::string log = SyncLogText();
  EXPECT_NE(std::string::npos, log.find(",\"3. 正在下载文件：" + order[2] + " ...\""));
  EXPECT_EQ(std::string::npos, log.find("成功复制："));
  EXPECT_EQ(std::string::npos, log.find("正在复制："));
}

TEST_P(DownloadRun, ProgressSweepsInTenthsAndEndsAtTheImport) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 1));
  ASSERT_TRUE(Download());
  const std::vector<double>& values = mBar.values;
  ASSERT_GE(values.size(), 1000u);
  // Connect 1-150, folder 151-300, fetch 301-500, backup 501-600, delete
  // 601-700, open 701-800, check 701-800 again, import 801-1000.
  std::vector<double> sweeps(values.begin(), values.begin() + 1100);
  std::vector<double> expected;
  for (int k = 1; k <= 800; ++k) expected.push_back(static_cast<float>(k / 1000.0 * 100.0));
  for (int k = 701; k <= 1000; ++k) expected.push_back(static_cast<float>(k / 1000.0 * 100.0));
  EXPECT_EQ(expected, sweeps);
  EXPECT_FLOAT_EQ(15.0f, static_cast<float>(values[149]));
  // Then the package's own progress by steps: one of two, then two of two.
  const std::vector<double> events(values.begin() + 1100, values.end());
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(50, events.front());
  EXPECT_EQ(100, events.back());
  EXPECT_TRUE(std::is_sorted(events.begin(), events.end()));
}

TEST_P(DownloadRun, NoPackageWaitingIsSuccessWithTheBarFull) {
  mServer.PutFile("ForDownload/HQ/readme.txt", "not a package");
  mBar.max = 250;
  EXPECT_TRUE(Download());
  EXPECT_EQ("FTP上没有要下载的文件！", mList.lines.back());
  EXPECT_EQ(250, mBar.value);
  EXPECT_EQ(Lines{"readme.txt"}, ServerFiles());
}

TEST_P(DownloadRun, OnlyPackageFilesOfAnyCaseAreTaken) {
  mServer.PutFile("ForDownload/HQ/a.txt", "text");
  PutPackage("B01-1.PKG", BillPackage("B01", 1, 2));
  PutPackage("B02-1.pkg", BillPackage("B02", 1, 1));
  const Lines packages{"B01-1.PKG", "B02-1.pkg"};
  ASSERT_TRUE(Download());
  EXPECT_EQ((Lines{"共有  2 个文件需要下载：", "1. " + packages[0], "2. " + packages[1],
                   "开始下载文件并导入本地数据库中..."}),
            LinesFrom("共有  2 个文件需要下载：", 4));
  EXPECT_EQ(3, Count("bi_Bill"));
  EXPECT_EQ(Lines{"a.txt"}, ServerFiles());
  EXPECT_TRUE(FilesBelow("Temp").empty());  // "B01-1.PKG.mdb" included
}

TEST_P(DownloadRun, TheSameBillsSentTwiceLeaveOneCopy) {
  const std::string package = BillPackage("B01", 1, 3);
  PutPackage("B01-1.pkg", package);
  PutPackage("B01-2.pkg", package);
  PutPackage("B01-3.pkg", BillPackage("B01", 2, 3));
  ASSERT_TRUE(Download());
  EXPECT_EQ(4, Count("bi_Bill"));
  EXPECT_EQ(8, Count("bi_BillItem"));
  const std::string merged = Dump("SELECT * FROM bi_BillItem ORDER BY BillItemID");

  PutPackage("B01-4.pkg", package);
  ASSERT_TRUE(Download());
  EXPECT_EQ(4, Count("bi_Bill"));
  EXPECT_EQ(merged, Dump("SELECT * FROM bi_BillItem ORDER BY BillItemID"));
}

TEST_P(DownloadRun, SecondOfThreeFailingItsImportLeavesNothingOfItMerged) {
  const Lines names =
      PutInOrder("B01", {BillPackage("B01", 1, 3), BillPackage("B01", 4, 2, /*extraColumn=*/true),
                         BillPackage("B01", 6, 1)});
  EXPECT_FALSE(Download());

  EXPECT_EQ(4, Count("bi_Bill"));
  EXPECT_EQ(8, Count("bi_BillItem"));
  EXPECT_EQ(0, Count("bi_Bill WHERE BillID IN ('B01-4', 'B01-5')"));
  const Lines tail = LinesFrom("导入数据失败，共有1个错误：", 5);
  ASSERT_EQ(5u, tail.size());
  EXPECT_EQ(0u, tail[1].rfind("1. 1002，", 0)) << tail[1];
  EXPECT_NE(std::string::npos, tail[1].find("Extra")) << tail[1];
  EXPECT_EQ("错误数据文件已经备份到：", tail[2]);
  EXPECT_EQ(ErrorCopyPath(names[1]), tail[3]);
  EXPECT_EQ("3. 正在下载文件：" + names[2] + " ...", tail[4]);
  EXPECT_TRUE(std::filesystem::exists(tail[3]));
  EXPECT_EQ(tail[1] + "\n", test::ReadFile(tail[3] + ".txt"));

  EXPECT_TRUE(ServerFiles().empty());
  EXPECT_EQ((Lines{names[1], names[1] + ".txt"}), MonthFiles("ErrPackage"));
  EXPECT_EQ(test::Sorted(names), MonthFiles("BckPackage"));
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

// A package that fails only when its group merges (a row the host refuses):
// the group is merged again one package at a time, so the others merge and
// only that one is filed.
TEST_P(DownloadRun, AGroupThatFailsMergesAgainOneByOneAndFilesOnlyTheOneAtFault) {
  // B02's own earlier bill holds the item key its new bill brings along.
  Hq()->Execute("INSERT INTO bi_Bill (BillID) VALUES ('B02-9')");
  Hq()->Execute("INSERT INTO bi_BillItem VALUES ('B02-1-1', 'B02-9', 'x')");
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 2));
  PutPackage("B02-1.pkg", BillPackage("B02", 1, 2));
  PutPackage("B03-1.pkg", BillPackage("B03", 1, 2));
  EXPECT_FALSE(Download());

  EXPECT_TRUE(mList.HasLine("正在一并导入 3 个数据包 ..."));
  EXPECT_EQ(5, Count("bi_Bill"));
  EXPECT_EQ(0, Count("bi_Bill WHERE BillID LIKE 'B02-1%' OR BillID = 'B02-2'"));
  EXPECT_EQ(1, Count("bi_BillItem WHERE BillID LIKE 'B02%'"));
  EXPECT_EQ(8, Count("bi_BillItem WHERE BillID LIKE 'B01%' OR BillID LIKE 'B03%'"));
  EXPECT_EQ((Lines{"B02-1.pkg", "B02-1.pkg.txt"}), MonthFiles("ErrPackage"));
  EXPECT_TRUE(ServerFiles().empty());
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

// A package whose rows its sender may not send is refused when its rows are
// staged, on the side, after the next package was taken up: it is left out
// of the group, which merges without it, and filed with its reason.
TEST_P(DownloadRun, APackageWhoseRowsCannotBeStagedIsFiledAndTheRestOfItsGroupMerges) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 2));
  PutPackage("B02-1.pkg", BillPackage("B01", 5, 1));  // B01's bill, in B02's name
  PutPackage("B03-1.pkg", BillPackage("B03", 1, 2));
  EXPECT_FALSE(Download());

  EXPECT_TRUE(mList.HasLine("正在一并导入 2 个数据包 ..."))
      << ::testing::PrintToString(mList.lines);
  EXPECT_EQ("B01-1\nB01-2\nB03-1\nB03-2\n", Dump("SELECT BillID FROM bi_Bill ORDER BY BillID"));
  EXPECT_EQ(8, Count("bi_BillItem"));
  EXPECT_EQ((Lines{"B02-1.pkg", "B02-1.pkg.txt"}), MonthFiles("ErrPackage"));
  EXPECT_NE(std::string::npos, test::ReadFile(ErrorCopyPath("B02-1.pkg") + ".txt").find("B01-5"));
  EXPECT_TRUE(ServerFiles().empty());
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

// While a group merges, the server's next packages are fetched on the side;
// the run shows each fetch and merges each package in its turn all the same.
TEST_P(DownloadRun, PackagesFetchedWhileAGroupMergesAreShownAndMergedInTheirTurn) {
  // One sender: each package closes the group of the one before it.
  const Lines names = PutInOrder(
      "B01", {BillPackage("B01", 1, 2), BillPackage("B01", 3, 2), BillPackage("B01", 5, 2),
              BillPackage("B01", 7, 2), BillPackage("B01", 9, 2)});
  ASSERT_TRUE(Download());
  EXPECT_EQ(10, Count("bi_Bill"));
  EXPECT_EQ(20, Count("bi_BillItem"));
  std::size_t last = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string fetching = std::to_string(i + 1) + ". 正在下载文件：" + names[i] + " ...";
    const auto at = std::find(mList.lines.begin(), mList.lines.end(), fetching);
    ASSERT_NE(mList.lines.end(), at) << fetching;
    const auto index = static_cast<std::size_t>(at - mList.lines.begin());
    EXPECT_LT(last, index) << fetching << " out of its turn";
    EXPECT_EQ(1, std::count(mList.lines.begin(), mList.lines.end(), fetching));
    EXPECT_EQ((Lines{fetching, "文件已下载，正在备份文件...", "文件已备份，正在删除FTP上的文件 ...",
                     "正在解压文件..."}),
              LinesFrom(fetching, 4));
    last = index;
  }
  EXPECT_EQ(names, MonthFiles("BckPackage"));
  EXPECT_TRUE(ServerFiles().empty());
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

// A fetch that fails, made on the side or in turn, ends the run at that
// package; what came before it is merged or waits, nothing is lost.
TEST_P(DownloadRun, AFetchThatFailsWhileAGroupMergesEndsTheRunThereAndLosesNothing) {
  const Lines names = PutInOrder("B01", {BillPackage("B01", 1, 2), BillPackage("B01", 3, 2),
                                         BillPackage("B01", 5, 2), BillPackage("B01", 7, 2)});
  int checks = 0;
  mList.onLine = [&](const std::string& line) {
    // Once the second package is checked, the group of the first merges:
    // from then on no backup copy can be made.
    if (line == "正在检查数据是否正确..." && ++checks == 2) {
      for (const auto& entry : fs::directory_iterator(mHome / "BckPackage")) {
        fs::rename(entry.path(), entry.path().string() + ".away");
        test::WriteFile(entry.path().string(), "a file where the month's folder belongs");
      }
    }
  };
  EXPECT_FALSE(Download());
  EXPECT_EQ("文件已下载，正在备份文件...", mList.lines.back());
  EXPECT_TRUE(mList.HasLine("3. 正在下载文件：" + names[2] + " ..."));
  EXPECT_FALSE(mList.HasLine("4. 正在下载文件：" + names[3] + " ..."));
  EXPECT_EQ(2, Count("bi_Bill"));
  EXPECT_TRUE(ServerHas(names[2]));
  EXPECT_TRUE(ServerHas(names[3]));

  mList.onLine = nullptr;
  for (const auto& entry : fs::directory_iterator(mHome / "BckPackage")) {
    if (entry.path().extension() == ".away") {
      const std::string folder = entry.path().string();
      const std::string original = folder.substr(0, folder.size() - 5);
      fs::remove(original);
      fs::rename(folder, original);
    }
  }
  mList.lines.clear();
  ASSERT_TRUE(Download());
  EXPECT_TRUE(mList.HasLine("继续导入上次中断的数据包：" + names[1]));
  EXPECT_EQ(8, Count("bi_Bill"));
  EXPECT_EQ(16, Count("bi_BillItem"));
  EXPECT_TRUE(ServerFiles().empty());
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

// A package at fault itself is filed with its reason, for the owner and the
// site's group only whatever the umask, and holds up none after it; it is
// not tried again.
TEST_P(DownloadRun, APackageAtFaultItselfIsFiledWithItsReasonAndHoldsUpNothing) {
  const test::ScopedUmask umask(0);
  struct Case {
    const char* name;
    std::function<std::string()> damaged;
    Lines linesOfIt;     // its last lines, up to its filing
    std::string reason;  // the start of the reason filed with it
  };
  const Lines corrupt{"数据已经被损坏！导入数据失败。", "备份文件到错误目录！"};
  const Case cases[] = {
      {"Truncated",
       [&] { return Truncated(BillPackage("B01", 9, 2)); },
       {"正在解压文件...", "解压数据包失败！", "备份文件到错误目录！"},
       "解压数据包失败！\n"},
      {"NotADatabase", [&] { return mForge.Packed("hello"); }, corrupt, "file is not a database: "},
      {"NoDefinition",
       [&] { return mForge.Tampered(BillPackage("B01", 9, 1), {"DROP TABLE ExPackage_Step"}); },
       corrupt, "1. 1003，damaged package: unreadable definition: no such table: ExPackage_Step"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    const Lines names =
        PutInOrder("B01", {BillPackage("B01", 1, 1), c.damaged(), BillPackage("B01", 2, 2)});
    EXPECT_FALSE(Download());
    Lines expected = c.linesOfIt;
    expected.push_back("3. 正在下载文件：" + names[2] + " ...");
    const auto next = std::find(mList.lines.begin(), mList.lines.end(), expected.back());
    ASSERT_NE(mList.lines.end(), next) << testing::PrintToString(mList.lines);
    ASSERT_LE(c.linesOfIt.size(), static_cast<std::size_t>(next - mList.lines.begin()));
    EXPECT_EQ(expected, Lines(next - static_cast<std::ptrdiff_t>(c.linesOfIt.size()), next + 1));
    EXPECT_TRUE(test::ReadFile(ErrorCopyPath(names[1]) + ".txt").starts_with(c.reason));
    EXPECT_TRUE(mFailure.empty()) << mFailure;
    EXPECT_TRUE(ServerFiles().empty());
    EXPECT_EQ(test::Sorted(names), MonthFiles("BckPackage"));
    EXPECT_EQ((Lines{names[1], names[1] + ".txt"}), MonthFiles("ErrPackage"));
    EXPECT_TRUE(FilesBelow("Temp").empty());  // no pending record either
    EXPECT_EQ("B01-1\nB01-2\nB01-3\n", Dump("SELECT BillID FROM bi_Bill ORDER BY BillID"));
    for (const std::string kind : {"BckPackage", "ErrPackage"}) {
      EXPECT_EQ(0750U, test::PermissionsOf(mHome / kind)) << kind;
      for (const std::string& file : FilesBelow(kind)) {
        const std::string path = mHome / (kind + "/" + file);
        EXPECT_EQ(0750U, test::PermissionsOf(fs::path(path).parent_path())) << path;
        EXPECT_EQ(0640U, test::PermissionsOf(path)) << path;
      }
    }
    mList.lines.clear();
    EXPECT_TRUE(Download());
    EXPECT_EQ("FTP上没有要下载的文件！", mList.lines.back());
  }
}

// Filing is this machine's work: when the error folder cannot be written, a
// refused package stays pending and stops the run, and is filed by the next
// run that can.
TEST_P(DownloadRun, AnErrorFolderThatCannotBeWrittenKeepsThePackagePending) {
  const std::string errorFolder = mHome / "ErrPackage";
  const Lines names = PutInOrder("B01", {mForge.Packed("hello"), BillPackage("B01", 2, 2)});
  test::WriteFile(errorFolder, "a file where the folder belongs");
  EXPECT_FALSE(Download());
  EXPECT_NE(std::string::npos,
            SyncLogText().find("\"下载数据失败: cannot create " + errorFolder + "/"))
      << SyncLogText();
  EXPECT_NE(std::string::npos, mFailure.find("下载数据失败: ")) << mFailure;
  EXPECT_EQ(Lines{names[1]}, ServerFiles());
  EXPECT_EQ((Lines{names[0], "Pending/" + names[0]}), FilesBelow("Temp"));

  std::filesystem::remove(errorFolder);
  mList.lines.clear();
  EXPECT_FALSE(Download());
  EXPECT_EQ("继续导入上次中断的数据包：" + names[0], mList.lines.front());
  EXPECT_EQ((Lines{names[0], names[0] + ".txt"}), MonthFiles("ErrPackage"));
  EXPECT_EQ("B01-2\nB01-3\n", Dump("SELECT BillID FROM bi_Bill ORDER BY BillID"));
  EXPECT_TRUE(FilesBelow("Temp").empty());
}

TEST_P(DownloadRun, AFetchThatFailsLeavesThePackageOnTheServer) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 1));
  mList.onLine = [this](const std::string& line) {
    if (line == "1. 正在下载文件：B01-1.pkg ...") mServer.Stop();
  };
  EXPECT_FALSE(Download());
  EXPECT_EQ("文件下载失败！请检查网络连接是否正常。", mList.lines.back());
  EXPECT_TRUE(ServerHas("B01-1.pkg"));
  EXPECT_TRUE(FilesBelow("Temp").empty());
  EXPECT_TRUE(FilesBelow("BckPackage").empty());
  EXPECT_EQ(0, Count("bi_Bill"));
}

TEST_P(DownloadRun, ADeleteThatFailsKeepsBothCopiesAndMergesNothing) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 1));
  mList.onLine = [this](const std::string& line) {
    if (line == "文件已备份，正在删除FTP上的文件 ...") mServer.Stop();
  };
  EXPECT_FALSE(Download());
  EXPECT_EQ("FTP上文件删除失败！请检查网络连接是否正常。", mList.lines.back());
  EXPECT_TRUE(ServerHas("B01-1.pkg"));
  EXPECT_EQ(Lines{"B01-1.pkg"}, FilesBelow("Temp"));
  EXPECT_EQ(Lines{"B01-1.pkg"}, MonthFiles("BckPackage"));
  EXPECT_EQ(0, Count("bi_Bill"));
}

TEST_P(DownloadRun, ABackupCopyThatFailsIsLoggedOnlyAndLeavesThePackageOnTheServer) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 1));
  test::WriteFile(mHome / "BckPackage", "a file where the backup folder belongs");
  EXPECT_FALSE(Download());
  EXPECT_EQ("文件已下载，正在备份文件...", mList.lines.back());
  EXPECT_EQ(std::string::npos, mList.lines.back().find("下载数据失败"));
  const std::string log = SyncLogText();
  const auto at = log.find("\"下载数据失败: cannot create " + (mHome / "BckPackage/"));
  EXPECT_NE(std::string::npos, at) << log;
  EXPECT_TRUE(ServerHas("B01-1.pkg"));
  EXPECT_EQ(Lines{"B01-1.pkg"}, FilesBelow("Temp"));
  EXPECT_EQ(0, Count("bi_Bill"));
}

TEST_P(DownloadRun, AnUnreachableServerOrMissingFolderEndsTheRun) {
  mServer.MakeFolder("ForDownload/elsewhere");
  std::filesystem::remove_all(mServer.Root() + "/ForDownload/HQ");
  EXPECT_FALSE(Download());
  EXPECT_EQ("FTP上文件夹打开失败！请检查FTP设置是否正确。", mList.lines.back());

  mList.lines.clear();
  mServer.Stop();
  EXPECT_FALSE(Download());
  EXPECT_EQ((Lines{"正在建立FTP连接：127.0.0.1 ...", "FTP连接失败！请检查网络连接是否正确。"}),
            mList.lines);
}

// A wizard and the nightly run on one host would share the temporary folder.
TEST_P(DownloadRun, AnotherRunOnTheSameHostKeepsThisOneOut) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 2));
  {
    const auto other = Hq();
    const HostRunLock running(*other, "download");
    ASSERT_TRUE(running.Held());
    EXPECT_FALSE(Download());
    EXPECT_EQ(Lines{"另一个下载正在进行，本次下载已取消。"}, mList.lines);
    EXPECT_TRUE(ServerHas("B01-1.pkg"));
    EXPECT_TRUE(FilesBelow("Temp").empty());
  }
  EXPECT_TRUE(Download());
  EXPECT_EQ(2, Count("bi_Bill"));
}

// A host of the loop standing for a dialog whose user cancels the import at
// its first progress event.
class CancellingHost : public DownloadHost {
 public:
  const RunView& View() override { return view; }
  std::unique_ptr<engine::Package> NewPackage() override {
    auto package = std::make_unique<engine::Package>();
    package->OnProccess([](const std::string&, std::int32_t, std::int32_t, const std::string&,
                           std::int32_t, std::int32_t, bool& cancel, bool) { cancel = true; });
    return package;
  }

  test::RecordingList list;
  test::RecordingBar bar;
  int events = 0;
  RunView view{.list = &list, .bar = &bar, .processEvents = [this] { ++events; }};
};

// A cancel is someone's choice, not the package's fault: the package waits.
TEST_P(DownloadRun, AnImportCancelledByItsHostWaitsForTheNextRun) {
  PutPackage("B01-1.pkg", BillPackage("B01", 1, 2));
  LoadMessages();
  ExchangeContext::Instance().SetConnection(Hq());
  ExchangeSettings settings;
  ASSERT_TRUE(PrepareExchange(settings, [](const std::string&) {}));
  engine::FSComprFile compressor;
  CancellingHost host;
  EXPECT_FALSE(DownloadLoop(settings, compressor, host).Run());

  EXPECT_EQ("导入数据已经被取消！", host.list.lines.back());
  EXPECT_EQ(0, Count("bi_Bill"));
  EXPECT_TRUE(MonthFiles("ErrPackage").empty());
  EXPECT_EQ((Lines{"B01-1.pkg", "Pending/B01-1.pkg"}), FilesBelow("Temp"));
  // Every step of every sweep moved the bar: 150 + 150 before the listing,
  // 200 + 100 + 100 + 100 + 100 + 200 for the package.
  EXPECT_EQ(1100U, host.bar.values.size());
  // and gave the host its turn, as every line did.
  EXPECT_EQ(1100U + host.list.lines.size(), static_cast<std::size_t>(host.events));

  EXPECT_TRUE(Download());
  EXPECT_EQ("继续导入上次中断的数据包：B01-1.pkg", mList.lines.front());
  EXPECT_EQ(2, Count("bi_Bill"));
}

INSTANTIATE_HOST_DATABASE_TEST(DownloadRun);

TEST(PackageNames, TakesOnlySafePackageNamesInTheOrderOfTheirNames) {
  EXPECT_EQ((Lines{".pkg", "b01-2.pkg", "B01-3.PKG", "B02-1.pkg", "x.Pkg"}),
            PackageNames({"a.txt", "B02-1.pkg", "B01-3.PKG", "../up.pkg", "x/y.pkg", "..\\w.pkg",
                          "bad\x01.pkg", ".pkg", "pkg", "x.Pkg", "b01-2.pkg", "b.pkg.txt", ""}));
}

TEST(PackageBaseName, RemovesEveryExactEnding) {
  struct Case {
    const char* name;
    const char* base;
  };
  for (auto [name, base] :
       {Case{"B01-240305140709.pkg", "B01-240305140709"}, Case{"B01-1.PKG", "B01-1.PKG"},
        Case{"a.pkg.pkg", "a"}, Case{"x.pkgy.pkg", "xy"}, Case{".pkg", ""}}) {
    EXPECT_EQ(base, PackageBaseName(name)) << name;
  }
}

}  // namespace
}  // namespace tavex
