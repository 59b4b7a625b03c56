#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "UploadHost.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "storage/HostRunLock.h"
#include "storage/SyncLog.h"
#include "support/FtpServer.h"
#include "support/KilledRun.h"
#include "support/PluginHome.h"
#include "support/PosTerminal.h"
#include "support/RecordingProgress.h"
#include "upload/cUpload.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::UnpackedPackage;

using test::HookedList;

class UploadRunTest : public test::UploadHostTest {
 protected:
  void SetUp() override {
    UploadHostTest::SetUp();
    if (IsSkipped()) return;
    UseServer(Db(), mServer, mServer.Port());
    mServer.MakeFolder("ForUpload");
    mBills = UnsentBills();
    if (HasTable("bi_OctopusPayment")) mOctopus = UnsentOctopus();
  }

  bool Upload() {
    mList.lines.clear();
    cUpload upload;
    upload.Initialize(Db(), &mList, &mBar);
    return upload.Upload();
  }

  // Calls `action` once, when the first line starting with `start` shows.
  void When(const std::string& start, std::function<void()> action) {
    mList.onLine = [start, action, done = false](const std::string& line) mutable {
      if (!done && line.starts_with(start)) {
        done = true;
        action();
      }
    };
  }

  // Runs an upload in a child process that dies as soon as a line starting
  // with `start` shows; the child's exit status (kKilled when it died there).
  int UploadKilledAt(const std::string& start) {
    return test::RunKilledWhen([&](const std::string& line) { return line.starts_with(start); },
                               [&](HookedList& list, test::RecordingBar& bar) {
                                 cUpload upload;
                                 upload.Initialize(Reopen(), &list, &bar);
                                 return upload.Upload();
                               });
  }

  std::vector<std::string> ServerPackages() const { return mServer.List("ForUpload"); }
  std::string ServerFile(const std::string& name) const {
    return mServer.Root() + "/ForUpload/" + name;
  }
  std::vector<std::string> TempFiles() const {
    std::vector<std::string> names;
    if (!fs::is_directory(TempFolder())) return names;
    for (const auto& entry : fs::directory_iterator(TempFolder())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  std::set<std::string> UnsentOctopus() const {
    return Keys("SELECT BillID || '/' || CardID FROM bi_OctopusPayment WHERE IsUploaded=0");
  }
  bool HasLineStarting(const std::string& start) const {
    return std::any_of(mList.lines.begin(), mList.lines.end(),
                       [&](const std::string& line) { return line.starts_with(start); });
  }

  // What every failed run leaves: an empty last line, nothing marked of
  // what waited before the test, nothing in the temporary folder.
  void ExpectNothingSent() const {
    ASSERT_FALSE(mList.lines.empty());
    EXPECT_EQ("", mList.lines.back());
    EXPECT_EQ(mBills, UnsentBills());
    EXPECT_EQ(mOctopus, UnsentOctopus());
    EXPECT_TRUE(TempFiles().empty()) << testing::PrintToString(TempFiles());
    EXPECT_FALSE(Db()->InTransaction());
  }

  std::set<std::string> mBills;    // unsent when the test began
  std::set<std::string> mOctopus;  // the same of the Octopus payments
  test::FtpServer mServer;
  HookedList mList;
  test::RecordingBar mBar;
};

TEST_P(UploadRunTest, FirstRunSendsEveryUnsentBillAndMarksItOnceTheFileIsThere) {
  const auto payments = Keys(
      "SELECT P.BillPaymentID FROM bi_BillPayment AS P, bi_Bill AS B WHERE P.BillID=B.BillID AND "
      "B.IsUploaded=0");
  const auto shifts =
      Keys("SELECT DISTINCT ShiftID FROM bi_Bill WHERE IsUploaded=0 AND ShiftID<>''");
  ASSERT_EQ(30u, mBills.size());
  ASSERT_FALSE(mOctopus.empty());

  // While the file travels, nobody else sees a bill marked.
  std::set<std::string> unsentDuringTransfer;
  auto observer = Reopen();
  When("正在上传文件：", [&] {
    auto rows = observer->Query("SELECT BillID FROM bi_Bill WHERE IsUploaded=0");
    while (rows->Next()) unsentDuringTransfer.insert(test::ValueText(rows->Get(std::size_t{0})));
  });

  ASSERT_TRUE(Upload()) << testing::PrintToString(mList.lines);
  EXPECT_EQ(mBills, unsentDuringTransfer);

  // The lines: export, one summary per step, the transfer, an empty end.
  const auto& lines = mList.lines;
  ASSERT_EQ(17u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ("正在导出数据...", lines[0]);
  EXPECT_EQ("成功复制：21. 消费账单表 ，共 30 条数据；", lines[1]);
  EXPECT_TRUE(lines[8].starts_with("成功复制：28. 八达通交易记录 ，共 "));
  EXPECT_TRUE(lines[11].starts_with("成功复制：33. 中途取钱记录 ，共 "));
  EXPECT_EQ("正在建立FTP连接：127.0.0.1 ...", lines[12]);
  EXPECT_EQ("正在打开FTP文件夹：ForUpload ...", lines[13]);
  EXPECT_TRUE(
      std::regex_match(lines[14], std::regex("正在上传文件：B01-[0-9]{12}\\.pkg \\.\\.\\.")))
      << lines[14];
  EXPECT_EQ("数据上传成功！", lines[15]);
  EXPECT_EQ("", lines[16]);
  EXPECT_EQ(16, mList.selected);
  EXPECT_EQ(100.0, mBar.value);

  // The package on the server holds exactly the staged rows.
  const auto names = ServerPackages();
  ASSERT_EQ(1u, names.size());
  EXPECT_EQ(lines[14].substr(std::string("正在上传文件：").size(), names[0].size()), names[0]);
  UnpackedPackage package(ServerFile(names[0]));
  ASSERT_TRUE(package.Checked());
  EXPECT_EQ(Prefixed(mBills), package.Keys("SELECT BillID FROM bi_Bill"));
  EXPECT_EQ(payments, package.Keys("SELECT BillPaymentID FROM bi_BillPayment"));
  EXPECT_EQ(Prefixed(shifts), package.Keys("SELECT ShiftID FROM bi_Shift"));
  EXPECT_EQ(std::set<std::string>{"1"}, package.Keys("SELECT IsUploaded FROM bi_Bill"));
  EXPECT_EQ(Prefixed(mOctopus),
            package.Keys("SELECT BillID || '/' || CardID FROM bi_OctopusPayment"));
  for (auto table : {"bi_BillItem", "bi_SubBill", "bi_UnCheckBill", "bi_UnCheckBillPayment",
                     "bi_UnCheckBillItem", "bi_ShiftSum", "bi_ShiftLog"}) {
    EXPECT_EQ(Count(std::string("SELECT COUNT(*) FROM ") + table + "_Upload"), package.Count(table))
        << table;
  }
  EXPECT_FALSE(package.HasTable("bi_BillID_Upload"));

  // Marked now, and the temporary folder is empty.
  EXPECT_TRUE(UnsentBills().empty());
  EXPECT_TRUE(UnsentOctopus().empty());
  EXPECT_TRUE(TempFiles().empty()) << testing::PrintToString(TempFiles());

  // The log has the run's lines, but not the copying lines of the list.
  const std::string log = test::ReadFile(GetLastLogFile());
  EXPECT_NE(std::string::npos, log.find("\"数据上传成功！\""));
  EXPECT_NE(std::string::npos, log.find("\"正在导出数据...\""));
  EXPECT_EQ(std::string::npos, log.find("正在复制："));
}

TEST_P(UploadRunTest, ASecondRunFindsNothingNew) {
  ASSERT_TRUE(Upload());
  EXPECT_FALSE(Upload());
  EXPECT_EQ((std::vector<std::string>{"没有新的数据需要上传...", ""}), mList.lines);
  EXPECT_EQ(1u, ServerPackages().size());
}

TEST_P(UploadRunTest, AnotherRunOfTheSameDatabaseKeepsThisOneOut) {
  {
    const auto other = Reopen();
    const HostRunLock running(*other, "upload");
    ASSERT_TRUE(running.Held());
    EXPECT_FALSE(Upload());
    EXPECT_EQ((std::vector<std::string>{"另一个上传正在进行，本次上传已取消。", ""}), mList.lines);
    ExpectNothingSent();
    EXPECT_FALSE(HasTable("bi_Bill_Upload"));
  }
  EXPECT_TRUE(Upload());
  EXPECT_TRUE(UnsentBills().empty());
}

TEST_P(UploadRunTest, AnUnreachableServerStopsBeforeTheExport) {
  mServer.Stop();
  EXPECT_FALSE(Upload());
  EXPECT_EQ((std::vector<std::string>{"FTP连接失败！请检查网络连接是否正确。", ""}), mList.lines);
  ExpectNothingSent();
  // The staging of the failed run stays until the next run replaces it.
  EXPECT_EQ(Prefixed(mBills), Keys("SELECT BillID FROM bi_Bill_Upload"));
}

// Whatever step fails, in the export or the transfer, the run says why in
// its lines and marks nothing; the next case finds the host as it was.
TEST_P(UploadRunTest, AFailingStepSaysWhyAndMarksNothing) {
  std::string blocked;  // a folder in the way of the package file
  struct Case {
    const char* name;
    const char* when;  // the line at which the step is broken
    std::function<void()> breakIt;
    std::vector<std::string> lines;  // shown in this order (their starts)
    bool exportFails;                // and so no connection is made to send
    std::function<void()> mend;
  };
  const Case cases[] = {
      {"a staged table gone",
       "正在导出数据...",
       [&] { Exec("DROP TABLE bi_ShiftLog_Upload"); },
       {"导出数据失败，共有1个错误：", "1. 1001，33. 中途取钱记录"},
       true,
       [] {}},
      {"no temporary folder to build the package in",
       "正在导出数据...",
       [&] {
         fs::remove_all(TempFolder());
         test::WriteFile(TempFolder(), "not a folder");
       },
       {"导出数据失败："},
       true,
       [&] { fs::remove(TempFolder()); }},
      {"the package file cannot be written",
       "成功复制：33.",
       [&] {
         for (const auto& name : TempFiles()) {
           if (name.ends_with(".mdb"))
             blocked = TempFolder() + "/" + name.substr(0, name.size() - 4) + ".pkg";
         }
         fs::create_directory(blocked);
       },
       {"文件压缩错误，导出数据失败！"},
       true,
       [&] { fs::remove(blocked); }},
      {"no upload folder",
       "正在导出数据...",
       [&] { fs::remove(mServer.Root() + "/ForUpload"); },
       {"正在建立FTP连接：127.0.0.1 ...", "正在打开FTP文件夹：ForUpload ...",
        "FTP上文件夹打开失败！请检查FTP设置是否正确。"},
       false,
       [&] { mServer.MakeFolder("ForUpload"); }},
      {"the server gone during the transfer",
       "正在上传文件：",
       [&] { mServer.Stop(); },
       {"数据上传失败！请检查网络连接是否正常。"},
       false,
       [] {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    When(c.when, c.breakIt);
    EXPECT_FALSE(Upload());
    c.mend();
    auto line = mList.lines.begin();
    for (const std::string& start : c.lines) {
      line = std::find_if(line, mList.lines.end(),
                          [&](const std::string& shown) { return shown.starts_with(start); });
      EXPECT_NE(mList.lines.end(), line) << start << testing::PrintToString(mList.lines);
    }
    EXPECT_EQ(c.exportFails, !HasLineStarting("正在建立FTP连接："));
    ExpectNothingSent();
    EXPECT_TRUE(ServerPackages().empty());
  }
}

TEST_P(UploadRunTest, WithoutAHostConnectionTheLogSaysWhy) {
  cUpload upload;
  upload.Initialize(nullptr, &mList, &mBar);
  EXPECT_FALSE(upload.Upload());
  EXPECT_EQ(std::vector<std::string>{""}, mList.lines);
  EXPECT_EQ("数据上传失败：没有连接到主数据库，操作被取消！", upload.Failure());
  EXPECT_NE(
      std::string::npos,
      test::ReadFile(GetLastLogFile()).find("\"数据上传失败：没有连接到主数据库，操作被取消！\""));
  // The next run of the same object starts afresh.
  upload.Initialize(Db(), &mList, &mBar);
  EXPECT_TRUE(upload.Upload());
  EXPECT_EQ("", upload.Failure());
}

// The bill a POS terminal settles in its write number `attempt`.
std::string PosBill(std::size_t attempt) { return "POS" + std::to_string(100001 + attempt); }

TEST_P(UploadRunTest, APosTerminalWritingDuringTheRunLosesNothing) {
  // A terminal settles a bill with a payment and Octopus payments, one
  // transaction each, at every line the run shows, and the run goes on only
  // once that write has committed or failed: no write may wait for the run,
  // in any of its phases, on either backend.
  // One Octopus transaction waits to be sent; the terminal then writes more
  // for the same bill, card (none) and device, which no package carries yet.
  Exec(
      "INSERT INTO bi_OctopusPayment (BillID, CardID, DeviceID, IsUploaded) VALUES ('TWIN', NULL, "
      "'DEV', 0)");
  test::PosTerminal terminal(Reopen(), [](db::Connection& connection, std::size_t attempt) {
    const std::string id = PosBill(attempt);
    connection.Execute(
        "INSERT INTO bi_Bill (BillID, ShiftID, BillDate, SumPaid, IsUploaded) VALUES ('" + id +
        "', '', '2024-03-02 00:00:00', 10, 0)");
    connection.Execute("INSERT INTO bi_BillPayment (BillPaymentID, BillID, PaySum) VALUES ('" + id +
                       "-1', '" + id + "', 10)");
    for (const std::string& billId : {id, std::string("TWIN")}) {
      connection.Execute(
          "INSERT INTO bi_OctopusPayment (BillID, CardID, DeviceID, BillDate, IsUploaded) "
          "VALUES ('" +
          billId + "', " + (billId == id ? "'CARD'" : "NULL") +
          ", 'DEV', '2024-03-02 00:00:00', 0)");
    }
  });
  mList.onLine = [&](const std::string&) { terminal.Line(); };
  const bool uploaded = Upload();
  terminal.Stop();
  mList.onLine = nullptr;
  ASSERT_TRUE(uploaded) << testing::PrintToString(mList.lines);
  EXPECT_EQ(terminal.Lines(), terminal.Committed().size()) << "writes failed";
  std::set<std::string> written;
  for (const std::size_t attempt : terminal.Committed()) written.insert(PosBill(attempt));

  // A row is marked exactly when the sent package carries it.
  const auto names = ServerPackages();
  ASSERT_EQ(1u, names.size());
  UnpackedPackage first(ServerFile(names[0]));
  ASSERT_TRUE(first.Checked());
  const auto sentFrom = [](const UnpackedPackage& package, const std::string& table) {
    return package.Keys("SELECT SUBSTR(BillID, 5) FROM " + table + " WHERE BillID LIKE 'B01-POS%'");
  };
  const auto sent = sentFrom(first, "bi_Bill");
  EXPECT_EQ(sent, Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=1 AND BillID LIKE 'POS%'"));
  EXPECT_EQ(sent, sentFrom(first, "bi_BillPayment"));
  EXPECT_EQ(sent, sentFrom(first, "bi_OctopusPayment"));
  EXPECT_EQ(sent, Keys("SELECT BillID FROM bi_OctopusPayment WHERE IsUploaded=1 AND BillID LIKE "
                       "'POS%'"));
  const std::string twins = "SELECT COUNT(*) FROM bi_OctopusPayment WHERE BillID";
  EXPECT_EQ(1, first.Count("bi_OctopusPayment WHERE BillID='B01-TWIN'"));
  EXPECT_EQ(1, Count(twins + "='TWIN' AND IsUploaded=1"));
  EXPECT_EQ(static_cast<std::int64_t>(written.size()), Count(twins + "='TWIN' AND IsUploaded=0"));
  EXPECT_FALSE(UnsentBills().empty());

  // The next run sends the rest: every bill reaches the server once.
  fs::rename(ServerFile(names[0]), mServer.Root() + "/" + names[0]);
  ASSERT_TRUE(Upload()) << testing::PrintToString(mList.lines);
  ASSERT_EQ(1u, ServerPackages().size());
  UnpackedPackage second(ServerFile(ServerPackages()[0]));
  ASSERT_TRUE(second.Checked());
  auto sentAtAll = sentFrom(second, "bi_Bill");
  for (const auto& id : sentAtAll) EXPECT_EQ(0u, sent.count(id)) << id << " sent twice";
  sentAtAll.insert(sent.begin(), sent.end());
  EXPECT_EQ(written, sentAtAll);
  EXPECT_EQ(static_cast<std::int64_t>(written.size()),
            second.Count("bi_OctopusPayment WHERE BillID='B01-TWIN'"));
  EXPECT_TRUE(UnsentBills().empty());
  EXPECT_TRUE(UnsentOctopus().empty());
}

TEST_P(UploadRunTest, ARunKilledAfterTheTransferSendsTheSameRowsAgain) {
  ASSERT_EQ(test::kKilled, UploadKilledAt("数据上传成功！"));
  // On the server, but not marked: the rows count as not yet uploaded.
  EXPECT_EQ(mBills, UnsentBills());
  EXPECT_EQ(mOctopus, UnsentOctopus());
  ASSERT_EQ(1u, ServerPackages().size());
  const std::string first = ServerPackages()[0];
  fs::rename(ServerFile(first), mServer.Root() + "/" + first);

  ASSERT_TRUE(Upload()) << testing::PrintToString(mList.lines);
  ASSERT_EQ(1u, ServerPackages().size());
  UnpackedPackage again(ServerFile(ServerPackages()[0]));
  ASSERT_TRUE(again.Checked());
  EXPECT_EQ(Prefixed(mBills), again.Keys("SELECT BillID FROM bi_Bill"));
  EXPECT_EQ(Prefixed(mOctopus),
            again.Keys("SELECT BillID || '/' || CardID FROM bi_OctopusPayment"));
  EXPECT_TRUE(UnsentBills().empty());
  EXPECT_TRUE(UnsentOctopus().empty());
}

INSTANTIATE_HOST_DATABASE_TEST(UploadRunTest);

// A host of an older version: no reversed-checkout tables, no Octopus.
class UploadRunWithoutOptionalTablesTest : public UploadRunTest {
 protected:
  cli::SampleOptions Sample() const override {
    auto options = UploadRunTest::Sample();
    options.withUnCheck = false;
    options.withOctopus = false;
    return options;
  }
};

TEST_P(UploadRunWithoutOptionalTablesTest, SendsTheBillsAndShiftsAlone) {
  ASSERT_TRUE(Upload()) << testing::PrintToString(mList.lines);
  std::vector<std::string> steps;
  for (const auto& line : mList.lines) {
    if (line.starts_with("成功复制："))
      steps.push_back(line.substr(std::string("成功复制：").size(), 3));
  }
  EXPECT_EQ((std::vector<std::string>{"21.", "22.", "23.", "24.", "31.", "32.", "33."}), steps);
  for (auto table : {"bi_UnCheckBill_Upload", "bi_UnCheckBillPayment_Upload",
                     "bi_UnCheckBillItem_Upload", "bi_OctopusPayment_Upload"}) {
    EXPECT_FALSE(HasTable(table)) << table;
  }
  ASSERT_EQ(1u, ServerPackages().size());
  UnpackedPackage package(ServerFile(ServerPackages()[0]));
  ASSERT_TRUE(package.Checked());
  EXPECT_EQ(Prefixed(mBills), package.Keys("SELECT BillID FROM bi_Bill"));
  EXPECT_FALSE(package.HasTable("bi_UnCheckBill"));
  EXPECT_FALSE(package.HasTable("bi_OctopusPayment"));
  EXPECT_TRUE(UnsentBills().empty());
}

INSTANTIATE_HOST_DATABASE_TEST(UploadRunWithoutOptionalTablesTest);

TEST(UploadProgressTest, EachStepShowsACopyingLineThatItsSummaryReplaces) {
  test::PluginHome home;
  test::RecordingList list;
  test::RecordingBar bar;
  cUpload upload;
  upload.Initialize(nullptr, &list, &bar);
  bool cancel = false;

  upload.mPackage_Proccess("B01-1", 4, 1, "21. 消费账单表", 10, 0, cancel, true);
  EXPECT_EQ(std::vector<std::string>{"正在复制：21. 消费账单表 ..."}, list.lines);
  EXPECT_EQ(0, list.selected);
  EXPECT_EQ(25.0, bar.value);
  upload.mPackage_Proccess("B01-1", 4, 1, "21. 消费账单表", 10, 10, cancel, false);
  // An empty step has one event: its line is added and replaced at once.
  upload.mPackage_Proccess("B01-1", 4, 2, "22. 支付明细表", 0, 0, cancel, true);
  EXPECT_EQ((std::vector<std::string>{"成功复制：21. 消费账单表 ，共 10 条数据；",
                                      "成功复制：22. 支付明细表 ，共 0 条数据；"}),
            list.lines);
  EXPECT_EQ(1, list.selected);
  EXPECT_EQ((std::vector<double>{25.0, 25.0, 50.0}), bar.values);
  EXPECT_FALSE(cancel);

  // No steps: no share to show. A bar too short for the share keeps its value.
  upload.mPackage_Proccess("B01-1", 0, 0, "", 0, 0, cancel, false);
  bar.max = 60;
  upload.mPackage_Proccess("B01-1", 4, 3, "23. 消费明细表", 5, 5, cancel, true);
  EXPECT_EQ((std::vector<double>{25.0, 25.0, 50.0}), bar.values);
}

}  // namespace
}  // namespace tavex
