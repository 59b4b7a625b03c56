#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>

#include "download/PendingPackages.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "status/SiteStatus.h"
#include "status/StatusReport.h"
#include "storage/LocalTime.h"
#include "storage/RunHistory.h"
#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/ScopedHostConnection.h"
#include "support/SftpServer.h"
#include "trust/SignatureCheck.h"
#include "trust/SiteKeys.h"

namespace tavex {
namespace {

using Clock = std::chrono::system_clock;

// `json` read by Python's json module, which refuses anything that is not
// valid JSON in UTF-8 (raw control characters included): the strings of
// the list `key`, one line each as Python's ascii() writes them, or the
// parser's complaint.
std::string ParsedList(const std::string& json, const std::string& key) {
  const test::TempDir dir;
  test::WriteFile(dir / "status.json", json);
  const std::string command =
      "python3 -c 'import json,sys\n"
      "for item in json.load(open(sys.argv[1], encoding=\"utf-8\"))[sys.argv[2]]: "
      "print(ascii(item))' " +
      dir / "status.json" + " " + key + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> python(::popen(command.c_str(), "r"), ::pclose);
  if (!python) return "(python3 did not start)";
  std::string output;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, python.get())) > 0;) {
    output.append(buffer, got);
  }
  return output;
}

class StatusTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    const bool pg = GetParam() == db::Backend::Postgres;
    const std::string date = pg ? "TIMESTAMP" : "DATETIME";
    Db()->Execute("CREATE TABLE bi_Bill (BillID TEXT, BillDate " + date + ", IsUploaded INTEGER)");
    Db()->Execute("CREATE TABLE mb_Member (MemberID TEXT, JoinDate " + date +
                  ", IsUploaded INTEGER)");
    Db()->Execute("CREATE TABLE bi_UnCheckBill (BillID TEXT, UnCheckTime " + date +
                  ", IsUploaded INTEGER)");
    Db()->Execute("INSERT INTO bi_Bill VALUES ('SENT', '2020-01-01 08:00:00', 1)");
    // Travelled with its bill: its own flag is never set.
    Db()->Execute("INSERT INTO bi_UnCheckBill VALUES ('SENT', '2020-01-01 09:00:00', 0)");
    SettingsStore(Db()).SetSetting(kSettingBranchID, "B01");
  }
  test::Invocation Status(std::vector<std::string> options = {}) const {
    options.insert(options.begin(), {"status", "--db", ConnectionName(), "--home", mHome.Path()});
    return test::Invocation(options);
  }

  test::ScopedHostConnection mHostScope{nullptr};
  test::PluginHome mHome;
};

TEST_P(StatusTest, SaysAllIsWellUntilDataGetsOldOrAPackageWaitsOrFails) {
  const std::string now = LocalTimeText(Clock::now(), "%Y-%m-%d %H:%M:%S");
  Db()->Execute("INSERT INTO mb_Member VALUES ('M1', '" + now + "', 0)");
  {
    const test::Invocation fresh = Status();
    EXPECT_EQ(0, fresh.code) << fresh.out.str() << fresh.err.str();
    EXPECT_NE(std::string::npos, fresh.out.str().find("未上传的会员资料：1 条，最早：" + now));
    EXPECT_NE(std::string::npos, fresh.out.str().find("一切正常。")) << fresh.out.str();
  }

  Db()->Execute("INSERT INTO bi_Bill VALUES ('OLD', '2020-01-02 09:30:00', 0)");
  Db()->Execute("INSERT INTO bi_UnCheckBill VALUES ('OLD', '2020-01-02 10:00:00', 0)");
  PendingPackages(mHome / "Temp/Pending/").Add("HQ-1.pkg", mHome / "BckPackage/HQ-1.pkg");
  test::WriteFile(mHome / ("ErrPackage/" + LocalTimeText(Clock::now(), "%Y-%m") + "/HQ-0.pkg"), "");
  // Its reason beside it is no second package.
  test::WriteFile(mHome / ("ErrPackage/" + LocalTimeText(Clock::now(), "%Y-%m") + "/HQ-0.pkg.txt"),
                  "解压数据包失败！\n");
  const auto uploaded = Clock::now() - std::chrono::hours(3);
  RecordSuccessfulRun("upload", uploaded);

  const test::Invocation text = Status();
  EXPECT_EQ(1, text.code);
  for (const std::string& line :
       std::vector<std::string>{"未上传的消费账单：1 条，最早：2020-01-02 09:30:00",
                                "未上传的反结账账单：1 条，最早：2020-01-02 10:00:00",
                                "需要注意：有数据超过期限仍未上传：bi_Bill",
                                "等待导入的数据包：1 HQ-1.pkg", "本月的错误数据包：1 HQ-0.pkg",
                                "需要注意：等待导入的数据包：1", "需要注意：本月的错误数据包：1",
                                "最近一次成功上传：" + LocalTimeText(uploaded, "%Y-%m-%d %H:%M:%S"),
                                "最近一次成功下载：从未"}) {
    EXPECT_NE(std::string::npos, text.out.str().find(line + "\n")) << line << "\n"
                                                                   << text.out.str();
  }
  EXPECT_EQ(std::string::npos, text.out.str().find("仍未上传：mb_Member"))
      << "recent rows are no concern";

  const test::Invocation json = Status({"--json", "--max-age-days", "3650"});
  EXPECT_EQ(1, json.code) << "the packages still need attention";
  const std::string object = json.out.str();
  for (const char* part :
       {"\"site\":\"B01\"",
        "{\"name\":\"bills\",\"table\":\"bi_Bill\",\"count\":1,\"oldest\":\"2020-01-02 "
        "09:30:00\",\"stale\":false}",
        "\"pendingPackages\":[\"HQ-1.pkg\"]", "\"errorPackages\":[\"HQ-0.pkg\"]",
        "\"download\":null", "\"serverAnswers\":null", "\"needsAttention\":true}"}) {
    EXPECT_NE(std::string::npos, object.find(part)) << part << "\n" << object;
  }
}

TEST_P(StatusTest, NamesTheReceivingKeysThatNoIndexLeadsWithAsAdviceOnly) {
  const std::string billKey =
      "缺少索引，每次合并数据包都要扫描整张表：CREATE INDEX ix_bi_Bill_BillID ON bi_Bill "
      "(BillID)\n";
  const test::Invocation before = Status();
  EXPECT_EQ(0, before.code) << before.out.str();
  EXPECT_NE(std::string::npos, before.out.str().find(billKey)) << before.out.str();
  EXPECT_EQ(std::string::npos, before.out.str().find("(BillDate)"))
      << "no delete finds bills by it";

  Db()->Execute("CREATE INDEX ix_by_bill ON bi_Bill (BillID, BillDate)");
  const test::Invocation after = Status({"--json"});
  EXPECT_EQ(std::string::npos, after.out.str().find("ix_bi_Bill_BillID")) << after.out.str();
  EXPECT_NE(std::string::npos,
            after.out.str().find("\"table\":\"mb_Member\",\"column\":\"MemberID\""))
      << after.out.str();
}

TEST_P(StatusTest, ChecksTheServerOnlyWhenAsked) {
  test::FtpServer server;
  SettingsStore store(Db());
  store.SetSetting(kSettingFtpServer, server.Host());
  store.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
  store.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
  mHome.WriteOptions("[FTP]\nPort=" + std::to_string(server.Port()) + "\nTimeOut=5\n");
  const test::Invocation answers = Status({"--check-server"});
  EXPECT_EQ(0, answers.code) << answers.out.str();
  EXPECT_NE(std::string::npos, answers.out.str().find("FTP服务器：可以连接\n"));
  server.Stop();
  EXPECT_EQ(0, Status().code) << "not asked: no attempt";
  const test::Invocation silent = Status({"--check-server"});
  EXPECT_EQ(1, silent.code);
  EXPECT_NE(std::string::npos, silent.out.str().find("需要注意：FTP服务器：无法连接\n"));
}

// A folder that cannot be read is never taken for an empty one.
TEST_P(StatusTest, AFolderItCannotReadIsAFailureNotAllWell) {
  test::WriteFile(mHome / "Temp/Pending", "a file where the folder belongs");
  const test::Invocation run = Status();
  EXPECT_EQ(1, run.code);
  EXPECT_EQ(std::string::npos, run.out.str().find("一切正常。")) << run.out.str();
  EXPECT_NE(std::string::npos,
            run.err.str().find("cannot read the folder " + mHome / "Temp/Pending/"))
      << run.err.str();
}

// What this site's relay and download recorded of the packages they took:
// the senders that still send unsigned are named; a number a signing site
// skipped is a package lost on the way and needs attention.
TEST_P(StatusTest, NamesUnsignedSendersAndThePackagesMissingFromASequence) {
  const trust::SiteKey key = trust::SiteKey::Create(mHome.Path());
  trust::SignatureCheck download(*Db(), "download", false);
  trust::SignatureVerdict unsignedPackage;
  unsignedPackage.accepted = unsignedPackage.unsignedSender = true;
  download.RecordNow(unsignedPackage, "B03");
  for (const std::uint64_t number : {4, 5, 8, 10}) {
    trust::SignatureVerdict verdict;
    verdict.accepted = true;
    verdict.signature = trust::SignedPackage{"B02", "B02", trust::PackageKind::Bills, number, {}};
    verdict.key = key.Public();
    download.RecordNow(verdict, "B02");
  }
  trust::SignatureCheck(*Db(), "relay", false).RecordNow(unsignedPackage, "B04");

  const test::Invocation text = Status();
  EXPECT_EQ(1, text.code);
  for (const std::string& line : std::vector<std::string>{
           "没有签名的数据包来自：B04, B03", "缺少的数据包（发送方和序号）：B02 6, 7, 9",
           "需要注意：缺少的数据包（发送方和序号）：1"}) {
    EXPECT_NE(std::string::npos, text.out.str().find(line + "\n")) << line << "\n"
                                                                   << text.out.str();
  }
  const std::string json = Status({"--json"}).out.str();
  EXPECT_NE(std::string::npos, json.find("\"unsignedSenders\":[\"B04\",\"B03\"]")) << json;
  EXPECT_NE(std::string::npos, json.find("\"missingPackages\":[\"B02 6, 7, 9\"]")) << json;
}

// Package names come from folders, in whatever bytes they were given.
TEST_P(StatusTest, JsonStaysValidForNamesThatAreNotUtf8) {
  const std::string month = LocalTimeText(Clock::now(), "%Y-%m");
  test::WriteFile(mHome / ("ErrPackage/" + month + "/HQ-\xFF\xFE.pkg"), "");
  PendingPackages(mHome / "Temp/Pending/").Add("B01-\xFE.pkg", mHome / "BckPackage/B01.pkg");
  const test::Invocation json = Status({"--json"});
  EXPECT_EQ(1, json.code);
  EXPECT_EQ("'HQ-\\ufffd\\ufffd.pkg'\n", ParsedList(json.out.str(), "errorPackages"))
      << json.out.str();
  EXPECT_EQ("'B01-\\ufffd.pkg'\n", ParsedList(json.out.str(), "pendingPackages"));
}

// Over SFTP the check is how an administrator confirms the pinned host key:
// a server whose key does not match is named by the key's fingerprint.
TEST_P(StatusTest, CheckingAnSftpServerNamesAHostKeyItRefuses) {
  TAVEX_REQUIRE_SSHD();
  test::SftpServer server;
  SettingsStore store(Db());
  store.SetSetting(kSettingFtpServer, server.Host());
  store.SetSetting(kSettingFtpUser, server.User());
  mHome.WriteOptions("[FTP]\n" + server.OptionsLines());
  const test::Invocation answers = Status({"--check-server"});
  EXPECT_EQ(0, answers.code) << answers.out.str();
  EXPECT_NE(std::string::npos, answers.out.str().find("FTP服务器：可以连接\n"));

  // The server's key was replaced (or someone stands in its place).
  const std::string impostor = server.MakeKey("impostor");
  mHome.WriteOptions("[FTP]\nKnownHosts=" + server.KnownHostsNaming("changed", impostor + ".pub") +
                     "\n" + server.OptionsLines());
  const test::Invocation refused = Status({"--check-server"});
  EXPECT_EQ(1, refused.code);
  const std::string text = refused.out.str();
  const std::size_t silent = text.find("FTP服务器：无法连接\n服务器的主机密钥与已知主机文件");
  EXPECT_NE(std::string::npos, silent) << text;
  EXPECT_NE(std::string::npos, text.find(server.HostKeyFingerprints().front() + "\n", silent))
      << text;
  EXPECT_NE(std::string::npos, text.find("需要注意：FTP服务器：无法连接\n"));

  const test::Invocation json = Status({"--check-server", "--json"});
  EXPECT_NE(std::string::npos, json.out.str().find("\"serverAnswers\":false,\"serverRefusal\":\""))
      << json.out.str();
  EXPECT_NE(std::string::npos, json.out.str().find(server.HostKeyFingerprints().front() + "\""));
}

INSTANTIATE_HOST_DATABASE_TEST(StatusTest);

struct JsonNameCase {
  const char* name;
  std::string text;
  std::string parsed;  // as Python's ascii() writes the parsed string
};

// Each byte outside well-formed UTF-8 turns into U+FFFD; well-formed text
// comes back as it was, control characters included.
TEST(StatusJson, EveryNameComesBackAsValidJsonWithInvalidBytesReplaced) {
  const std::vector<JsonNameCase> cases = {
      {"InvalidBytes", "HQ-\xFF\xFE.pkg", "'HQ-\\ufffd\\ufffd.pkg'"},
      {"Chinese", "分店-1.pkg", "'\\u5206\\u5e97-1.pkg'"},
      {"FourByteCharacter", "\xF0\x9F\x8D\xA3.pkg", "'\\U0001f363.pkg'"},
      {"QuoteAndBackslash", "a\"b\\c", "'a\"b\\\\c'"},
      {"Tab", "a\tb", "'a\\tb'"},
      {"Delete", "a\x7F", "'a\\x7f'"},
      {"C1Control", "a\xC2\x85", "'a\\x85'"},
      {"OverlongSlash", "a\xC0\xAF", "'a\\ufffd\\ufffd'"},
      {"OverlongThreeBytes", "\xE0\x80\xAF", "'\\ufffd\\ufffd\\ufffd'"},
      {"CutShortAtTheEnd", "a\xE5\x88", "'a\\ufffd'"},
      {"CutShortBeforeAscii",
       "\xE5\x88"
       "a",
       "'\\ufffda'"},
      {"Surrogate", "\xED\xA0\x80", "'\\ufffd\\ufffd\\ufffd'"},
      {"BeyondU10FFFF", "\xF4\x90\x80\x80", "'\\ufffd\\ufffd\\ufffd\\ufffd'"},
      {"LoneContinuation", "\x80", "'\\ufffd'"},
  };
  SiteStatus status;
  std::string expected;
  for (const JsonNameCase& c : cases) {
    status.errorPackages.push_back(c.text);
    expected += c.parsed + "\n";
  }
  const std::string json = StatusJson(status);
  const std::string parsed = ParsedList(json, "errorPackages");
  std::istringstream lines(parsed);
  for (const JsonNameCase& c : cases) {
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(c.parsed, line) << c.name;
  }
  EXPECT_EQ(expected, parsed) << json;
  EXPECT_NE(std::string::npos, json.find("\"a\\tb\"")) << json;
}

}  // namespace
}  // namespace tavex
