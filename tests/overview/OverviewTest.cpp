#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <set>

#include "cli/SampleDatabase.h"
#include "journal/MergeJournal.h"
#include "storage/LocalTime.h"
#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"
#include "support/ScopedHostConnection.h"
#include "support/TempDir.h"

namespace tavex::cli {
namespace {

using test::Invocation;
using Json = nlohmann::json;

// Head office (the backend under test) and three branches on SQLite behind
// one FTP server. B01 and B02 sell over the last three days and send their
// bills through the relay, B01 its members too; B03 has its download
// folder and never sends; a damaged package in B01's name waits in head
// office's folder before B01's real one.
class ChainOverviewTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    for (const char* folder :
         {"ForUpload", "ForDownload/HQ", "ForDownload/B01", "ForDownload/B02", "ForDownload/B03"}) {
      mServer.MakeFolder(folder);
    }
    Site("HQ", ConnectionName(), 0);
    Site("B01", Branch("B01"), 30);
    Site("B02", Branch("B02"), 20);
  }

  // Makes a site with `bills` bills over the last three days, all still to
  // be sent.
  void Site(const std::string& site, const std::string& db, int bills) {
    test::WriteFile(mHomes / (site + "/Octopus/MAIN.INI"), "[FTP]\n" + mServer.OptionsLines());
    Run({"sample-db", "--db", db, "--branch", site, "--bills", std::to_string(bills), "--days",
         "3"});
    Run({"settings", "--db", db, "--set", "1001=" + mServer.Host(), "--set",
         "1002=" + mServer.User(), "--set", "1003=" + mServer.Password()});
    if (bills == 0) return;
    using namespace std::chrono;
    const sys_days firstDay = sys_days{LocalDate(system_clock::now())} - days(2);
    const auto sampleDay = [](std::string_view text) {
      int y = 0;
      unsigned m = 0, d = 0;
      std::sscanf(std::string(text).c_str(), "%d-%u-%u", &y, &m, &d);
      return sys_days{year{y} / month{m} / day{d}};
    };
    const auto shift = (firstDay - sampleDay(kSampleFirstDay)).count();
    auto branch = db::OpenConnection(db);
    branch->Execute("UPDATE bi_Bill SET IsUploaded=0, BillDate=datetime(BillDate, '+" +
                    std::to_string(shift) + " days')");
    branch->Close();
  }

  std::string Branch(const std::string& site) const {
    return "sqlite:" + (mBranches / (site + ".db"));
  }
  Invocation At(const std::string& site, std::vector<std::string> args) const {
    args.insert(args.begin() + 1,
                {"--db", site == "HQ" ? ConnectionName() : Branch(site), "--home", mHomes / site});
    return Invocation(args);
  }
  static void Run(const std::vector<std::string>& args) {
    Invocation run(args);
    ASSERT_EQ(kExitOk, run.code) << args[0] << "\n" << run.out.str() << run.err.str();
  }

  // The night: the branches send, head office relays and merges.
  void Night() {
    for (const auto& [site, command] : std::vector<std::pair<std::string, std::string>>{
             {"B01", "upload"}, {"B02", "upload"}, {"B01", "members"}, {"HQ", "relay"}}) {
      Invocation run = At(site, {command});
      ASSERT_EQ(kExitOk, run.code) << site << " " << command << "\n" << run.out.str();
    }
    mServer.PutFile("ForDownload/HQ/B01-0.pkg", "not a package");
    // The damaged package is filed: the download answers that it failed.
    Invocation download = At("HQ", {"download"});
    ASSERT_EQ(kExitFailed, download.code) << download.out.str();
  }

  // Rows of the journal as "receiver outcome sender kind".
  std::multiset<std::string> Journal() {
    std::multiset<std::string> rows;
    auto cursor = Db()->Query("SELECT Receiver, Outcome, SenderID, Kind FROM tavex_MergeJournal");
    while (cursor->Next()) {
      rows.insert(test::ValueText(cursor->Get(std::size_t{0})) + " " +
                  test::ValueText(cursor->Get(std::size_t{1})) + " " +
                  test::ValueText(cursor->Get(std::size_t{2})) + " " +
                  test::ValueText(cursor->Get(std::size_t{3})));
    }
    return rows;
  }

  test::ScopedHostConnection mHostScope{nullptr};
  test::FtpServer mServer;
  test::TempDir mBranches;
  test::TempDir mHomes;
  test::TempDir mConfig;
  test::ScopedEnv mConfigVariable{"XDG_CONFIG_HOME", mConfig.Path()};
};

TEST_P(ChainOverviewTest, EveryPackageTakenInHasItsJournalRow) {
  // A row older than the year the journal keeps is forgotten by the download.
  JournalEntry old;
  old.receiver = "download";
  old.outcome = "merged";
  old.package = "B09-1.pkg";
  old.sender = "B09";
  old.kind = "bills";
  old.at = "2000-01-01 00:00:00";
  MergeJournal(*Db()).Write(old);
  Night();

  EXPECT_EQ((std::multiset<std::string>{
                "relay routed B01 bills", "relay routed B02 bills", "relay routed B01 members",
                "download merged B01 bills", "download merged B02 bills",
                "download merged HQ member-bundle", "download refused B01 bills"}),
            Journal());
  EXPECT_EQ((std::set<std::string>{"[\"HQ\"]"}),
            test::FirstColumn(*Db(),
                              "SELECT Folders FROM tavex_MergeJournal WHERE "
                              "Receiver='relay' AND Kind='bills'"));
  const std::string members = *test::FirstColumn(*Db(),
                                                 "SELECT Folders FROM tavex_MergeJournal "
                                                 "WHERE Receiver='relay' AND Kind='members'")
                                   .begin();
  // B01's members went into the bundle for every site, B01's own included.
  EXPECT_EQ((std::set<std::string>{"HQ", "B01", "B02", "B03"}),
            Json::parse(members).get<std::set<std::string>>());
  EXPECT_NE("", *test::FirstColumn(*Db(),
                                   "SELECT Reason FROM tavex_MergeJournal WHERE "
                                   "Outcome='refused'")
                     .begin());

  // What each merged bills package wrote, against what arrived.
  for (const std::string sender : {"B01", "B02"}) {
    SCOPED_TRACE(sender);
    const std::string where =
        " FROM tavex_MergeJournal WHERE Receiver='download' AND "
        "Outcome='merged' AND Kind='bills' AND SenderID='" +
        sender + "'";
    const Json rows = Json::parse(*test::FirstColumn(*Db(), "SELECT RowCounts" + where).begin());
    EXPECT_EQ(test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BranchID='" + sender + "'"),
              rows.at("bi_Bill").get<std::int64_t>());
    EXPECT_EQ(test::Number(*Db(),
                           "SELECT COUNT(*) FROM bi_BillItem WHERE BillID LIKE '" + sender + "-%'"),
              rows.at("bi_BillItem").get<std::int64_t>());
    EXPECT_GT(test::Number(*Db(), "SELECT Bytes" + where), 0);
    EXPECT_EQ(NowText().substr(0, 10),
              test::FirstColumn(*Db(), "SELECT MergedAt" + where).begin()->substr(0, 10));
  }
}

TEST_P(ChainOverviewTest, APackageWhoseJournalRowCannotBeWrittenIsNotMergedAndWaits) {
  // A journal that takes no merged row.
  Db()->Execute(
      "CREATE TABLE tavex_MergeJournal (Receiver TEXT NOT NULL, Outcome TEXT NOT NULL "
      "CHECK (Outcome<>'merged'), PackageName TEXT NOT NULL, SenderID TEXT NOT NULL, Kind TEXT "
      "NOT NULL, SignerID TEXT NOT NULL, Bytes BIGINT NOT NULL, Reason TEXT NOT NULL, Folders "
      "TEXT NOT NULL, RowCounts TEXT NOT NULL, MergedAt TEXT NOT NULL, Millis BIGINT NOT NULL)");
  Run({"upload", "--db", Branch("B01"), "--home", mHomes / "B01"});
  Run({"relay", "--db", ConnectionName(), "--home", mHomes / "HQ"});
  Invocation download = At("HQ", {"download"});
  EXPECT_EQ(kExitFailed, download.code);
  EXPECT_EQ(0, test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BranchID='B01'"));
  EXPECT_EQ(0, test::Number(*Db(),
                            "SELECT COUNT(*) FROM tavex_MergeJournal WHERE "
                            "Receiver='download'"));
  EXPECT_TRUE(test::FolderNames(mHomes / ("HQ/ErrPackage/" +
                                          LocalTimeText(std::chrono::system_clock::now(), "%Y-%m")))
                  .empty())
      << "a sound package is not filed";

  Db()->Execute("DROP TABLE tavex_MergeJournal");
  download = At("HQ", {"download"});
  EXPECT_EQ(kExitOk, download.code) << download.out.str();
  EXPECT_EQ(30, test::Number(*Db(), "SELECT COUNT(*) FROM bi_Bill WHERE BranchID='B01'"));
  EXPECT_EQ(1, test::Number(*Db(),
                            "SELECT COUNT(*) FROM tavex_MergeJournal WHERE "
                            "Receiver='download' AND Outcome='merged'"));
}

TEST_P(ChainOverviewTest, TheOverviewCountsWhatTheBillsAndTheJournalHoldAndPutsTheSilentFirst) {
  Night();
  Invocation json = At("HQ", {"overview", "--json", "--days", "5"});
  ASSERT_EQ(kExitFailed, json.code) << "B03 never sent";
  ASSERT_EQ("", json.err.str());
  const Json overview = Json::parse(json.out.str());
  EXPECT_EQ("HQ", overview.at("headOffice"));
  std::vector<std::string> sites;
  for (const Json& branch : overview.at("branches")) sites.push_back(branch.at("site"));
  EXPECT_EQ((std::vector<std::string>{"B03", "B01", "B02"}), sites);

  const Json& silent = overview.at("branches").at(0);
  EXPECT_TRUE(silent.at("silent").get<bool>());
  EXPECT_TRUE(silent.at("lastMergedAt").is_null());
  for (const Json& branch : overview.at("branches")) {
    const std::string site = branch.at("site");
    SCOPED_TRACE(site);
    if (site != "B03") {
      EXPECT_FALSE(branch.at("needsAttention").get<bool>()) << "its newest package merged";
      EXPECT_EQ(0, branch.at("ageDays"));
      EXPECT_FALSE(branch.at("signs").get<bool>());
    }
    EXPECT_EQ(site == "B01" ? 1 : 0, branch.at("refused"));
    EXPECT_EQ(site == "B01", !branch.at("lastMembersAt").is_null());
    ASSERT_EQ(5u, branch.at("days").size());
    for (const Json& day : branch.at("days")) {
      const std::string date = day.at("day");
      const std::string bills = " FROM bi_Bill WHERE BranchID='" + site + "' AND BillDate>='" +
                                date + "' AND BillDate<'" + date + " 23:59:59'";
      EXPECT_EQ(test::Number(*Db(), "SELECT COUNT(*)" + bills), day.at("bills")) << date;
      const double sales = std::strtod(
          test::FirstColumn(*Db(), "SELECT SUM(SumOfConsume)" + bills).begin()->c_str(), nullptr);
      EXPECT_NEAR(sales, day.at("sales").get<double>(), 0.01) << date;
    }
  }
  std::int64_t bills = 0;
  for (const Json& day : overview.at("totals")) bills += day.at("bills").get<std::int64_t>();
  EXPECT_EQ(50, bills) << "every bill of both branches, none of head office's own";
  EXPECT_EQ(2, overview.at("totals").at(4).at("packages"))
      << "two of bills; B01's members came in head office's own bundle";
  EXPECT_EQ("B01-0.pkg", overview.at("refused").at(0).at("package"));

  Invocation text = At("HQ", {"overview"});
  EXPECT_EQ(kExitFailed, text.code) << text.err.str();
  EXPECT_NE(std::string::npos, text.out.str().find("需要注意：超过期限没有发送数据的分店：B03"))
      << text.out.str();

  const std::string page = mHomes / "overview.html";
  EXPECT_EQ(kExitFailed, At("HQ", {"overview", "--html", page, "--days", "5"}).code);
  pugi::xml_document html;
  const pugi::xml_parse_result parsed = html.load_file(page.c_str());
  ASSERT_TRUE(parsed) << parsed.description();
  EXPECT_EQ(3u, html.select_nodes("//table[@class='branches']/tbody/tr").size());
  EXPECT_EQ(5u * 3, html.select_nodes("//svg/rect[@class='bar']").size());
  EXPECT_EQ(1u, html.select_nodes("//svg/polyline").size());
  EXPECT_EQ(0u, html.select_nodes("//script|//*[@src]|//*[@href]|//link").size());
  for (const char* external : {"http", "url(", "@import", "//"}) {
    EXPECT_EQ(std::string::npos, test::ReadFile(page).find(external)) << external;
  }

  // Once B03 is marked closed and a download has worked since the one that
  // filed the damaged package, all is well.
  Invocation retire = At("HQ", {"overview", "--retire", "B03"});
  EXPECT_EQ(kExitOk, retire.code) << retire.err.str();
  Run({"download", "--db", ConnectionName(), "--home", mHomes / "HQ"});
  Invocation after = At("HQ", {"overview", "--json"});
  ASSERT_EQ(kExitOk, after.code) << after.out.str() << after.err.str();
  EXPECT_EQ(2u, Json::parse(after.out.str()).at("branches").size());

  // The overview names the index its reading of the bills needs until it exists.
  const auto missing = [](const Json& json) {
    std::set<std::string> tables;
    for (const Json& index : json.at("missingIndexes")) tables.insert(index.at("table"));
    return tables;
  };
  EXPECT_TRUE(missing(overview).contains("bi_Bill"));
  Db()->Execute("CREATE INDEX ix_bills_by_day ON bi_Bill (BillDate, BranchID)");
  EXPECT_FALSE(
      missing(Json::parse(At("HQ", {"overview", "--json"}).out.str())).contains("bi_Bill"));
}

INSTANTIATE_HOST_DATABASE_TEST(ChainOverviewTest);

}  // namespace
}  // namespace tavex::cli
