#include "overview/ChainOverview.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "framework/ExchangeContext.h"
#include "framework/SettingIds.h"
#include "i18n/HostConnection.h"
#include "journal/MergeJournal.h"
#include "overview/RetiredBranches.h"
#include "relay/PackageRoute.h"
#include "storage/DatabaseHelpers.h"
#include "storage/LocalTime.h"
#include "storage/RunHistory.h"
#include "storage/TableIndexes.h"
#include "transfer/IniSection.h"
#include "transfer/PrepareExchange.h"
#include "transfer/clsFTP.h"
#include "trust/SiteRoster.h"

namespace tavex {

namespace {

using Day = std::chrono::year_month_day;

std::string DayKey(Day day) { return DayText(day, "%Y-%m-%d"); }

// The days of the overview, oldest first, and where each stands.
struct Period {
  std::vector<Day> days;
  std::map<std::string, std::size_t> index;  // "YYYY-MM-DD" -> its place
  std::string first;                         // its first day
  std::string end;                           // the day after its last
};

Period MakePeriod(int count, std::chrono::system_clock::time_point now) {
  Period period;
  const std::chrono::sys_days today{LocalDate(now)};
  for (int back = count - 1; back >= 0; --back) {
    period.index[DayKey(Day{today - std::chrono::days(back)})] = period.days.size();
    period.days.emplace_back(today - std::chrono::days(back));
  }
  period.first = DayKey(period.days.front());
  period.end = DayKey(Day{today + std::chrono::days(1)});
  return period;
}

// A timestamp column's date as "YYYY-MM-DD": the embedded database keeps
// times as that text followed by the time.
std::string DayOf(const db::Connection& host, const std::string& column) {
  return host.GetBackend() == db::Backend::Sqlite ? "substr(" + column + ",1,10)"
                                                  : "to_char(" + column + ",'YYYY-MM-DD')";
}

// Per branch, its figures of each day of the period.
using Figures = std::map<std::string, std::vector<DayFigures>>;

std::vector<DayFigures>& FiguresOf(Figures& figures, const std::string& site,
                                   const Period& period) {
  std::vector<DayFigures>& days = figures[site];
  days.resize(period.days.size());
  return days;
}

// Runs `sql` over the period (its rows: the branch, the day, then figures)
// and hands each row with its branch's figures of that day to `take`.
void ReadPerBranchAndDay(db::Connection& host, const std::string& sql, const Period& period,
                         Figures& figures,
                         const std::function<void(DayFigures&, db::Recordset&)>& take) {
  auto rows = host.Query(sql, {period.first, period.end});
  while (rows->Next()) {
    const auto day = period.index.find(db::ValueText(rows->Get(std::size_t{1})));
    if (day == period.index.end()) continue;
    take(FiguresOf(figures, db::ValueText(rows->Get(std::size_t{0})), period)[day->second], *rows);
  }
}

double Amount(const db::Value& value) { return std::strtod(db::ValueText(value).c_str(), nullptr); }

// Bills and their sales per branch and business day; then the daily sales
// reports' sales for the branches and days without bills here.
void ReadSales(db::Connection& host, const Period& period, Figures& figures) {
  const std::string day = DayOf(host, "BillDate");
  ReadPerBranchAndDay(host,
                      "SELECT BranchID, " + day +
                          ", COUNT(*), SUM(SumOfConsume) FROM bi_Bill WHERE BillDate>=? AND "
                          "BillDate<? GROUP BY BranchID, " +
                          day,
                      period, figures, [](DayFigures& figure, db::Recordset& row) {
                        figure.bills = db::ValueNumber(row.Get(std::size_t{2}));
                        figure.sales = Amount(row.Get(std::size_t{3}));
                      });
  if (!storage::TableExists(host, "rp_BillItem_Upload")) return;
  ReadPerBranchAndDay(host,
                      "SELECT BranchID, " + day +
                          ", SUM(theConsume) FROM rp_BillItem_Upload WHERE BillDate>=? AND "
                          "BillDate<? GROUP BY BranchID, " +
                          day,
                      period, figures, [](DayFigures& figure, db::Recordset& row) {
                        if (figure.bills == 0) figure.sales = Amount(row.Get(std::size_t{2}));
                      });
}

// The download folders on the server; nullopt when it cannot list them.
std::optional<std::vector<std::string>> ServerFolders() {
  ExchangeSettings settings;
  if (!PrepareExchange(settings, [](const std::string&) {})) return std::nullopt;
  clsFTP ftp;
  if (!ftp.Connect(settings.gsFtpHost, settings.gsFtpUID, settings.gsFtpPSW)) return std::nullopt;
  std::optional<std::vector<std::string>> folders;
  if (ftp.SetFtpDir(kDownloadRoot)) {
    std::vector<std::string> listed = ftp.GetDirFolders();
    if (!ftp.ListingFailed()) folders = std::move(listed);
  }
  ftp.DisConnect();
  return folders;
}

// The folders that belong to no branch: head office's own and the relay's
// extra destinations.
std::set<std::string> NotBranches(const std::string& headOffice) {
  std::set<std::string> names{AsciiLower(headOffice)};
  RelayRules rules;
  try {
    rules = ReadRelayRules(
        (std::filesystem::path(TransferOptionsFile()).parent_path() / "RELAY.INI").string());
  } catch (const std::exception&) {
    // A rules file the relay itself refuses adds no folder here.
  }
  for (const auto* list : {&rules.membersAlsoTo, &rules.othersAlsoTo, &rules.excluded}) {
    for (const std::string& folder : *list) names.insert(AsciiLower(folder));
  }
  return names;
}

// Whole days from the date of `at` ("YYYY-MM-DD ...") to `today`.
std::optional<int> AgeDays(const std::string& at, Day today) {
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  if (std::sscanf(at.c_str(), "%d-%u-%u", &year, &month, &day) != 3) return std::nullopt;
  const Day date{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
  if (!date.ok()) return std::nullopt;
  return static_cast<int>((std::chrono::sys_days{today} - std::chrono::sys_days{date}).count());
}

HeadOfficeRun RunOf(const char* name) {
  return {name, LastSuccessfulRun(name), LastFailedRun(name)};
}

}  // namespace

DayFigures BranchOverview::Total() const {
  DayFigures total;
  for (const DayFigures& day : days) {
    total.bills += day.bills;
    total.packages += day.packages;
    total.sales += day.sales;
  }
  return total;
}

bool ChainOverview::NeedsAttention() const {
  return std::any_of(branches.begin(), branches.end(),
                     [](const BranchOverview& branch) { return branch.NeedsAttention(); }) ||
         std::any_of(runs.begin(), runs.end(),
                     [](const HeadOfficeRun& run) { return run.Failed(); }) ||
         serverAnswers == false;
}

ChainOverview ReadChainOverview(const OverviewRequest& request) {
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  ChainOverview overview;
  overview.headOffice = ExchangeContext::Instance().Settings().GetSetting(kSettingBranchID, 0);
  overview.generatedAt = LocalTimeText(request.now, "%Y-%m-%d %H:%M:%S");
  overview.maxAgeDays = request.maxAgeDays;
  const Period period = MakePeriod(std::max(1, request.days), request.now);
  overview.days = period.days;
  const Day today = period.days.back();

  Figures figures;
  if (storage::TableExists(*host, "bi_Bill")) ReadSales(*host, period, figures);

  MergeJournal journal(*host);
  std::set<std::string> sites;
  for (const JournalEntry& entry : journal.Since(period.first)) {
    const auto day = period.index.find(entry.at.substr(0, 10));
    if (entry.receiver == "download" && entry.outcome == "merged" && day != period.index.end()) {
      ++FiguresOf(figures, entry.sender, period)[day->second].packages;
    }
    if (entry.outcome == "refused" || entry.outcome == "rejected") {
      overview.refused.push_back(
          {entry.package, entry.sender, entry.receiver, entry.at, entry.reason});
    }
  }
  std::map<std::string, BranchOverview> branches;
  for (const JournalEntry& entry :
       journal.LatestPerSender({"merged", "refused", "routed", "rejected"})) {
    BranchOverview& branch = branches[entry.sender];
    if (entry.outcome == "refused" || entry.outcome == "rejected") branch.lastRefused = true;
  }
  for (const JournalEntry& entry : journal.LatestPerSender({"merged", "routed"})) {
    BranchOverview& branch = branches[entry.sender];
    if (entry.receiver == "download") {
      branch.lastMergedAt = entry.at;
      branch.lastPackage = entry.package;
    }
    branch.signs = !entry.signer.empty();
  }
  for (const JournalEntry& entry : journal.LatestPerSender({"merged", "routed"}, "members")) {
    BranchOverview& branch = branches[entry.sender];
    branch.lastMembersAt = std::max(branch.lastMembersAt, entry.at);
  }

  for (const auto& [site, branch] : branches) sites.insert(site);
  for (const auto& [site, days] : figures) sites.insert(site);
  for (const std::string& site : trust::SiteRoster(*host).Sites()) sites.insert(site);
  if (request.readServer) {
    const std::optional<std::vector<std::string>> folders = ServerFolders();
    overview.serverAnswers = folders.has_value();
    if (folders) sites.insert(folders->begin(), folders->end());
  }

  const std::set<std::string> notBranches = NotBranches(overview.headOffice);
  const std::map<std::string, std::string> retired = RetiredBranches(*host);
  overview.totals.resize(period.days.size());
  for (const std::string& site : sites) {
    if (site.empty() || notBranches.contains(AsciiLower(site))) continue;
    BranchOverview branch = branches[site];
    if (const auto mark = retired.find(site);
        mark != retired.end() && branch.lastMergedAt <= mark->second) {
      continue;
    }
    branch.site = site;
    branch.days = FiguresOf(figures, site, period);
    branch.ageDays = AgeDays(branch.lastMergedAt, today);
    branch.silent = !branch.ageDays || *branch.ageDays > request.maxAgeDays;
    branch.refused =
        std::count_if(overview.refused.begin(), overview.refused.end(),
                      [&](const RefusedPackage& package) { return package.sender == site; });
    for (std::size_t i = 0; i < branch.days.size(); ++i) {
      overview.totals[i].bills += branch.days[i].bills;
      overview.totals[i].packages += branch.days[i].packages;
      overview.totals[i].sales += branch.days[i].sales;
    }
    overview.branches.push_back(std::move(branch));
  }
  std::stable_sort(overview.branches.begin(), overview.branches.end(),
                   [](const BranchOverview& x, const BranchOverview& y) {
                     return std::pair(!x.silent, !x.NeedsAttention()) <
                            std::pair(!y.silent, !y.NeedsAttention());
                   });
  for (const char* run : {"download", "relay"}) overview.runs.push_back(RunOf(run));
  // The period's bills and reports are read by their day.
  overview.missingIndexes =
      storage::MissingIndexes(*host, {{"bi_Bill", "BillDate"}, {"rp_BillItem_Upload", "BillDate"}});
  return overview;
}

}  // namespace tavex
