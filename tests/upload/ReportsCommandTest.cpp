#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>

#include "UploadHost.h"
#include "database/AsciiText.h"
#include "storage/SyncLog.h"
#include "support/CommandFixture.h"
#include "support/FtpServer.h"
#include "support/Rows.h"

namespace tavex::cli {
namespace {

namespace fs = std::filesystem;
using test::Invocation;

// A branch (the fixture's site) and a head office on one backend, each with
// a plug-in folder of its own, and the FTP server between them.
class ReportsCommandTest : public test::CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    if (IsSkipped()) return;
    mHq = test::CreateEmptyHostDatabase(GetParam(), Folder());
    MustAt(mHq, mHqHome.Path(), {"sample-db", "--branch", "HQ", "--bills", "0", "--days", "3"});
    UseServer(mServer, mHq, mHqHome.Path());
    Must({"sample-db", "--bills", "60", "--days", "3"});
    UseServer(mServer);
    // Quotes in the branch identity stay inside the literals they are put in.
    Must({"settings", "--set", "801=B'01", "--set", "802=O'Neil's"});
    // The tills write the branch's identifier into every bill.
    Reopen()->Execute("UPDATE bi_Bill SET BranchID='B''01'");
    mServer.MakeFolder("ForUpload");
    mServer.MakeFolder("ForDownload/HQ");
  }

  Invocation Reports(std::vector<std::string> options) const {
    options.insert(options.begin(), "reports");
    return Run(options);
  }
  // Head office fetches and merges what waits in the upload folder.
  void Merge() const {
    for (const auto& name : mServer.List("ForUpload")) {
      fs::rename(mServer.Root() + "/ForUpload/" + name, mServer.Root() + "/ForDownload/HQ/" + name);
    }
    MustAt(mHq, mHqHome.Path(), {"download"});
  }
  std::string AtHq(const std::string& sql) const {
    return test::Dump(*db::OpenConnection(mHq), sql);
  }
  std::string AtBranch(const std::string& sql) const { return test::Dump(*Reopen(), sql); }
  std::string BranchHome() const { return mHome.Path(); }

  test::TempDir mHqHome;
  test::FtpServer mServer;
  std::string mHq;
};

TEST_P(ReportsCommandTest, APeriodSentTwiceLeavesOneCopyAtHeadOffice) {
  const std::string unsent = AtBranch("SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0");
  for (int round = 0; round < 2; ++round) {
    Invocation run = Reports({"--from", "2024-03-01", "--to", "2024-03-03", "--stock-from",
                              "2024-03-01", "--stock-to", "2024-03-03", "--with-bills"});
    ASSERT_EQ(kExitOk, run.code) << run.out.str() << run.err.str();
    // The full path, and a name of its own beside the bills' packages.
    EXPECT_TRUE(std::regex_search(
        run.out.str(), std::regex("\n正在上传文件：" + BranchHome() +
                                  "/Temp/B'01-[0-9]{12}-R\\.pkg \\.\\.\\.\n数据上传成功！\n$")))
        << run.out.str();
    EXPECT_TRUE(fs::is_empty(BranchHome() + "/Temp"));
    Merge();
  }
  EXPECT_EQ(AtBranch("SELECT BillDate, COUNT(*), ROUND(SUM(theConsume), 2) FROM rp_BillItem_Temp "
                     "GROUP BY BillDate ORDER BY 1"),
            AtHq("SELECT BillDate, COUNT(*), ROUND(SUM(theConsume), 2) FROM rp_BillItem_Upload "
                 "WHERE BranchID='B''01' GROUP BY BillDate ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT BillDate, COUNT(*), ROUND(SUM(thePaySum), 2) FROM "
                     "rp_BillPayment_Temp GROUP BY BillDate ORDER BY 1"),
            AtHq("SELECT BillDate, COUNT(*), ROUND(SUM(thePaySum), 2) FROM rp_BillPayment_Upload "
                 "WHERE BranchID='B''01' GROUP BY BillDate ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT COUNT(*), ROUND(SUM(Qty), 2) FROM st_Inventory_Full"),
            AtHq("SELECT COUNT(*), ROUND(SUM(Qty), 2) FROM rp_Inventory_Upload WHERE "
                 "BranchID='B''01'"));
  EXPECT_EQ(AtBranch("SELECT 'B''01-' || BillID FROM st_Bill ORDER BY 1"),
            AtHq("SELECT BillID FROM st_Bill WHERE BillID LIKE 'B''01-%' ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT COUNT(*) FROM st_BillItem"),
            AtHq("SELECT COUNT(*) FROM st_BillItem WHERE BillID LIKE 'B''01-%'"));
  EXPECT_EQ(AtBranch("SELECT BillDate, COUNT(*) FROM st_StockItem, (SELECT DISTINCT BillDate FROM "
                     "st_BillItem_ByDepartment) AS d GROUP BY BillDate ORDER BY 1"),
            AtHq("SELECT BillDate, COUNT(*) FROM st_BOM WHERE BranchID='B''01' GROUP BY BillDate "
                 "ORDER BY 1"));
  EXPECT_EQ(AtBranch("SELECT 'B''01-' || BillID FROM bi_Bill ORDER BY 1"),
            AtHq("SELECT BillID FROM bi_Bill WHERE BillID LIKE 'B''01-%' ORDER BY 1"));
  EXPECT_EQ(unsent, AtBranch("SELECT COUNT(*) FROM bi_Bill WHERE IsUploaded=0"));
}

TEST_P(ReportsCommandTest, AServerThatDoesNotAnswerLeavesNothingBehind) {
  mServer.Stop();
  Invocation run = Reports({"--inventory"});
  EXPECT_EQ(kExitFailed, run.code);
  EXPECT_EQ("FTP连接失败！请检查网络连接是否正确。\n",
            run.out.str().substr(run.out.str().rfind('\n', run.out.str().size() - 2) + 1));
  EXPECT_TRUE(fs::is_empty(BranchHome() + "/Temp"));
}

// Bills asked for that cannot be staged fail the run with the reason, and
// no package goes out without them.
TEST_P(ReportsCommandTest, BillsThatCannotBeStagedFailTheRunAndNothingIsSent) {
  Reopen()->Execute("DROP TABLE bi_BillPayment");
  Invocation run = Reports({"--from", "2024-03-01", "--to", "2024-03-03", "--with-bills"});
  EXPECT_EQ(kExitFailed, run.code) << run.out.str();
  const std::string err = run.err.str();
  EXPECT_EQ(0u, err.find("数据上传失败：")) << err;
  EXPECT_NE(std::string::npos, AsciiLower(err).find("bi_billpayment")) << err;
  EXPECT_EQ(std::string::npos, run.out.str().find("正在上传文件")) << run.out.str();
  EXPECT_TRUE(mServer.List("ForUpload").empty());
  EXPECT_TRUE(fs::is_empty(BranchHome() + "/Temp"));
  EXPECT_NE(std::string::npos, test::ReadFile(GetLastLogFile()).find("数据上传失败："));
}

TEST_P(ReportsCommandTest, ExportOnlyKeepsYesterdaysPackageInTheBackupFolder) {
  const test::ScopedUmask umask(0);
  Invocation run = Reports({"--export-only"});
  ASSERT_EQ(kExitOk, run.code) << run.out.str() << run.err.str();
  const std::time_t now = std::time(nullptr) - 24 * 60 * 60;
  std::tm day{};
  localtime_r(&now, &day);
  char stem[16];
  std::strftime(stem, sizeof stem, "%Y%m%d", &day);
  const std::string out = run.out.str();
  EXPECT_EQ(0u, out.find("没有需要上传的销售日报表！\n没有需要上传的收银日报表！\n"
                         "正在生成原材料耗量表：st_BOM_" +
                         std::string(stem) + "\n正在导出数据...\n"))
      << out;
  const std::string kept = out.substr(out.rfind('\n', out.size() - 2) + 1);
  EXPECT_EQ(0u, kept.find(BranchHome() + "/BckPackage/")) << kept;
  EXPECT_TRUE(fs::is_regular_file(kept.substr(0, kept.size() - 1)));
  EXPECT_EQ(0640U, test::PermissionsOf(kept.substr(0, kept.size() - 1)));
  EXPECT_TRUE(fs::is_empty(BranchHome() + "/Temp"));
  EXPECT_TRUE(mServer.List("ForUpload").empty());
  test::UnpackedPackage package(kept.substr(0, kept.size() - 1));
  EXPECT_EQ(std::stoll(AtBranch("SELECT COUNT(*) FROM st_Inventory_Full")),
            package.Count("rp_Inventory_Upload"));
  EXPECT_EQ(std::stoll(AtBranch("SELECT COUNT(*) FROM st_StockItem")), package.Count("st_BOM"));
}

INSTANTIATE_HOST_DATABASE_TEST(ReportsCommandTest);

}  // namespace
}  // namespace tavex::cli
