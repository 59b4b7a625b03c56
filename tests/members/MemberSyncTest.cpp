#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "../upload/UploadHost.h"
#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "i18n/Messages.h"
#include "members/MemberSync.h"
#include "support/FtpServer.h"
#include "support/PosTerminal.h"
#include "support/RecordingProgress.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::UnpackedPackage;

constexpr const char* kTables[] = {"mb_Member", "mb_MemberCard", "mb_Consume", "mb_Summary",
                                   "mb_GiftSend"};

// The host a wizard or the command gives the run, recording what it shows.
class RecordingHost : public DownloadHost {
 public:
  const RunView& View() override { return view; }
  std::unique_ptr<engine::Package> NewPackage() override {
    auto package = std::make_unique<engine::Package>();
    package->OnProccess([this](const std::string&, std::int32_t totalCount,
                               std::int32_t totalFinished, const std::string& step,
                               std::int32_t count, std::int32_t finished, bool& cancel,
                               bool newStep) {
      if (newStep && step.starts_with(cancelAt)) cancel = !cancelAt.empty();
      ShowPackageProgress(view, totalCount, totalFinished, step, count, finished, newStep);
    });
    return package;
  }
  void FailureLogged(const std::string& record) override { logged.push_back(record); }

  test::HookedList list;
  test::RecordingBar bar;
  RunView view{.list = &list, .bar = &bar};
  std::string cancelAt;  // a step caption's start: the export is cancelled there
  std::vector<std::string> boxes;
  std::vector<std::string> logged;
};

class MemberSyncTest : public test::UploadHostTest {
 protected:
  void SetUp() override {
    UploadHostTest::SetUp();
    if (IsSkipped()) return;
    LoadMessages();
    UseServer(Db(), mServer, mServer.Port());
    mServer.MakeFolder("ForUpload");
    mServer.MakeFolder("ForDownload/B01");
  }

  // One run with a fresh object, which goes (and takes its files) after it.
  MemberSyncResult Sync() {
    mHost.list.lines.clear();
    return MemberSync(mHost, Boxes()).Run();
  }

  SendFailedFn Boxes() {
    return [this](const std::string& record) { mHost.boxes.push_back(record); };
  }

  std::int64_t Unsent(const std::shared_ptr<db::Connection>& site) const {
    std::int64_t unsent = 0;
    for (const char* table : kTables) {
      unsent +=
          test::Number(*site, std::string("SELECT COUNT(*) FROM ") + table + " WHERE IsUploaded=0");
    }
    return unsent;
  }
  std::vector<std::string> Sent() const { return mServer.List("ForUpload"); }
  std::string SentFile(const std::string& name) const {
    return mServer.Root() + "/ForUpload/" + name;
  }
  bool TempHasPackage() const {
    if (!fs::is_directory(TempFolder())) return false;
    for (const auto& entry : fs::directory_iterator(TempFolder())) {
      if (entry.path().extension() == ".pkg") return true;
    }
    return false;
  }
  const std::vector<std::string>& Lines() const { return mHost.list.lines; }
  bool HasLine(const std::string& line) const { return mHost.list.HasLine(line); }

  test::FtpServer mServer;
  RecordingHost mHost;
};

TEST_P(MemberSyncTest, OneWaitingGiftGivesFiveStepsAndMarksEveryTableOnceSent) {
  for (const char* table : kTables) Exec(std::string("UPDATE ") + table + " SET IsUploaded=1");
  Exec(
      "UPDATE mb_GiftSend SET IsUploaded=0 WHERE GiftSendID=(SELECT MIN(GiftSendID) FROM "
      "mb_GiftSend)");
  ASSERT_EQ(MemberSyncResult::Done, Sync()) << testing::PrintToString(Lines());

  EXPECT_EQ(0, Unsent(Db()));
  EXPECT_TRUE(HasLine("正在准备数据：分店【" + cli::SampleBranchName("B01") + "】"));
  EXPECT_TRUE(HasLine("FTP上没有要下载的文件！"));
  ASSERT_EQ(1u, Sent().size());
  UnpackedPackage package(SentFile(Sent()[0]));
  ASSERT_TRUE(package.Checked());
  for (const char* table : kTables) {
    EXPECT_EQ(std::string(table) == "mb_GiftSend" ? 1 : 0, package.Count(table)) << table;
  }
  // The receiving side stores it as sent, so it goes nowhere from there.
  EXPECT_EQ(1, package.Count("mb_GiftSend WHERE IsUploaded=1"));
  EXPECT_TRUE(HasLine("成功复制：70. 未上传的会员兑分记录 ，共 1 条数据；"));
  EXPECT_TRUE(HasLine("成功复制：30. 未上传的会员资料 ，共 0 条数据；"));

  // Nothing to send and nothing waiting ends well, with the bar full.
  EXPECT_EQ(MemberSyncResult::Done, Sync());
  EXPECT_EQ("没有新的数据需要上传...", Lines().front());
  EXPECT_TRUE(HasLine("FTP上没有要下载的文件！"));
  EXPECT_EQ(1u, Sent().size());
  EXPECT_DOUBLE_EQ(mHost.bar.max, mHost.bar.value);
}

TEST_P(MemberSyncTest, AFailedSendingHalfMarksNothingAndSkipsTheDownload) {
  const std::int64_t unsent = Unsent(Db());
  ASSERT_GT(unsent, 0);
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string line;
    bool keepsPackage;  // in the temporary folder while the run's object lives
  };
  const Case cases[] = {
      {"no upload folder", [&] { fs::remove(mServer.Root() + "/ForUpload"); },
       "FTP上文件夹打开失败！请检查FTP设置是否正确。", true},
      {"export cancelled", [&] { mHost.cancelAt = "50. "; }, "导出数据已经被取消！", false},
      {"server unreachable", [&] { UseServer(Db(), mServer, 1); },
       "FTP连接失败！请检查网络连接是否正确。", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mHost.cancelAt.clear();
    c.arrange();
    mHost.list.lines.clear();
    {
      MemberSync sync(mHost, Boxes());
      EXPECT_EQ(MemberSyncResult::SendFailed, sync.Run());
      EXPECT_EQ(c.keepsPackage, TempHasPackage());
    }
    EXPECT_FALSE(TempHasPackage());
    EXPECT_TRUE(HasLine(c.line)) << testing::PrintToString(Lines());
    EXPECT_FALSE(HasLine("FTP上没有要下载的文件！"));
    EXPECT_EQ(unsent, Unsent(Db()));
    EXPECT_FALSE(Db()->InTransaction());
  }
  EXPECT_TRUE(mHost.boxes.empty());
}

TEST_P(MemberSyncTest, ARaisedFailureWhileSendingIsShownOnceAndMarksNothing) {
  const std::int64_t unsent = Unsent(Db());
  // The staging copy cannot be made: a view holds its name.
  Exec("CREATE VIEW mb_Consume_Upload AS SELECT * FROM mb_Consume");
  EXPECT_EQ(MemberSyncResult::SendFailed, Sync());
  ASSERT_EQ(1u, mHost.boxes.size());
  EXPECT_TRUE(mHost.boxes[0].starts_with("数据上传失败：")) << mHost.boxes[0];
  EXPECT_EQ(unsent, Unsent(Db()));
  EXPECT_TRUE(Sent().empty());
}

TEST_P(MemberSyncTest, APosTerminalWritingDuringTheRunLosesNothing) {
  // At every line the run shows, a terminal adds a member with a card and,
  // until the package is on the server, changes a member that waits to be
  // sent, in one transaction; the run goes on only once that has committed:
  // no write waits for the run.
  const std::string changed = *Keys("SELECT MemberID FROM mb_Member WHERE IsUploaded=0").begin();
  bool changing = true;  // until the package is on the server
  test::PosTerminal terminal(Reopen(), [&](db::Connection& connection, std::size_t attempt) {
    const std::string id = "POS" + std::to_string(attempt);
    connection.Execute("INSERT INTO mb_Member (MemberID, MemberName, IsUploaded) VALUES ('" + id +
                       "', 'new', 0)");
    connection.Execute("INSERT INTO mb_MemberCard (MemberCardID, MemberID, IsUploaded) VALUES ('" +
                       id + "', '" + id + "', 0)");
    if (changing) {
      connection.Execute("UPDATE mb_Member SET Remark='" + id + "', IsUploaded=0 WHERE MemberID='" +
                         changed + "'");
    }
  });
  mHost.list.onLine = [&](const std::string& line) {
    if (line == "数据上传成功！") changing = false;
    terminal.Line();
  };
  const MemberSyncResult result = Sync();
  terminal.Stop();
  mHost.list.onLine = nullptr;
  ASSERT_EQ(MemberSyncResult::Done, result) << testing::PrintToString(Lines());
  EXPECT_EQ(terminal.Lines(), terminal.Committed().size()) << "writes failed";

  // A live row is marked exactly when the package carries it as it is.
  ASSERT_EQ(1u, Sent().size());
  UnpackedPackage package(SentFile(Sent()[0]));
  ASSERT_TRUE(package.Checked());
  for (const std::string table : {"mb_Member", "mb_MemberCard"}) {
    const std::string key = table == "mb_Member" ? "MemberID" : "MemberCardID";
    const auto sent = package.Keys("SELECT " + key + " FROM " + table);
    const auto marked = Keys("SELECT " + key + " FROM " + table + " WHERE IsUploaded=1");
    for (const auto& id :
         Keys("SELECT " + key + " FROM " + table + " WHERE " + key + " LIKE 'POS%'")) {
      EXPECT_EQ(sent.count(id), marked.count(id)) << table << " " << id;
    }
  }
  EXPECT_EQ(
      1, Count("SELECT COUNT(*) FROM mb_Member WHERE IsUploaded=0 AND MemberID='" + changed + "'"))
      << "a change made after the staging was marked as sent";
  // The next run sends what is left.
  fs::rename(SentFile(Sent()[0]), mServer.Root() + "/" + Sent()[0]);
  ASSERT_EQ(MemberSyncResult::Done, Sync());
  EXPECT_EQ(0, Unsent(Db()));
}

TEST_P(MemberSyncTest, OneBranchsMembersReachTheOtherSitesAndGoNoFurther) {
  // B02 and head office on the same backend, samples of their own: the same
  // member numbers.
  test::TempDir folder;
  const auto Site = [&](const std::string& id) {
    auto site = db::OpenConnection(test::CreateEmptyHostDatabase(GetParam(), folder));
    cli::SampleOptions options = Sample();
    options.branchId = id;
    cli::CreateSampleDatabase(site, options);
    UseServer(site, mServer, mServer.Port());
    mServer.MakeFolder("ForDownload/" + id);
    return site;
  };
  const auto b02 = Site("B02");
  const auto hq = Site("HQ");
  const std::string member = *Keys("SELECT MemberID FROM mb_Member WHERE IsUploaded=0").begin();
  const std::string ofMember = " WHERE MemberID='" + member + "'";
  // Changed at both branches. B01 has replaced the member's cards: one it
  // sent before, one new; B02 has added one.
  Exec("UPDATE mb_Member SET Remark='B01 says'" + ofMember);
  Exec("DELETE FROM mb_MemberCard" + ofMember);
  Exec("INSERT INTO mb_MemberCard (MemberCardID, MemberID, IsUploaded) VALUES ('B01OLD', '" +
       member + "', 1), ('B01NEW', '" + member + "', 0)");
  b02->Execute("UPDATE mb_Member SET Remark='B02 says'" + ofMember);
  b02->Execute(
      "INSERT INTO mb_MemberCard (MemberCardID, MemberID, IsUploaded) VALUES ('B02CARD', '" +
      member + "', 0)");
  // B02 sends first; its package is not handed on here.
  {
    test::ScopedHostConnection atB02(b02);
    ASSERT_EQ(MemberSyncResult::Done, Sync()) << testing::PrintToString(Lines());
    fs::remove(SentFile(Sent()[0]));
  }
  // Once B01 has sent, its package is handed on to B02 and head office.
  ASSERT_EQ(MemberSyncResult::Done, Sync()) << testing::PrintToString(Lines());
  ASSERT_EQ(1u, Sent().size());
  for (const char* site : {"B02", "HQ"}) {
    fs::copy_file(SentFile(Sent()[0]), mServer.Root() + "/ForDownload/" + site + "/" + Sent()[0]);
  }
  fs::remove(SentFile(Sent()[0]));

  for (const auto& [site, id] : {std::pair{b02, "B02"}, {hq, "HQ"}}) {
    SCOPED_TRACE(id);
    test::ScopedHostConnection at(site);
    // Head office sends its own members as well.
    ASSERT_EQ(MemberSyncResult::Done, Sync()) << testing::PrintToString(Lines());
    EXPECT_TRUE(HasLine("导入数据成功！"));
    EXPECT_EQ("B01 says\n", test::Dump(*site, "SELECT Remark FROM mb_Member" + ofMember));
    // The member's cards are B01's two, the one sent before included.
    EXPECT_EQ((std::set<std::string>{"B01NEW", "B01OLD"}),
              test::FirstColumn(*site, "SELECT MemberCardID FROM mb_MemberCard" + ofMember));
    for (const auto& name : Sent()) fs::remove(SentFile(name));
    EXPECT_EQ(0, Unsent(site));
    ASSERT_EQ(MemberSyncResult::Done, Sync());
    EXPECT_TRUE(HasLine("没有新的数据需要上传..."));
    EXPECT_TRUE(Sent().empty());
  }
}

INSTANTIATE_HOST_DATABASE_TEST(MemberSyncTest);

}  // namespace
}  // namespace tavex
