#include "status/SiteStatus.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <tuple>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "download/PendingPackages.h"
#include "framework/ExchangeContext.h"
#include "framework/PluginFolder.h"
#include "framework/SettingIds.h"
#include "i18n/HostConnection.h"
#include "storage/DatabaseHelpers.h"
#include "storage/FolderFiles.h"
#include "storage/LocalTime.h"
#include "storage/RunHistory.h"
#include "transfer/PrepareExchange.h"
#include "transfer/clsFTP.h"
#include "trust/PackageKinds.h"
#include "trust/SignatureCheck.h"

namespace tavex {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

struct WaitingSource {
  const char* name;
  const char* table;
  const char* dateColumn;
  std::string StatusTexts::*text;
  // Which rows wait: their own flag, unless they travel with something else.
  const char* waiting = "IsUploaded=0";
};

constexpr WaitingSource kWaitingSources[] = {
    {"bills", "bi_Bill", "BillDate", &StatusTexts::Msg_Status_Bills},
    // Reversed checkouts travel with their bills; their own flag is never set.
    {"reversedCheckouts", "bi_UnCheckBill", "UnCheckTime", &StatusTexts::Msg_Status_UnCheckBills,
     "BillID IN (SELECT BillID FROM bi_Bill WHERE IsUploaded=0)"},
    {"octopus", "bi_OctopusPayment", "TransTime", &StatusTexts::Msg_Status_Octopus},
    {"members", "mb_Member", "JoinDate", &StatusTexts::Msg_Status_Members},
    {"memberCards", "mb_MemberCard", "IssueDate", &StatusTexts::Msg_Status_MemberCards},
    {"memberConsumption", "mb_Consume", "ConsumeTime", &StatusTexts::Msg_Status_Consumption},
    {"memberSummaries", "mb_Summary", "OperateTime", &StatusTexts::Msg_Status_Summaries},
    {"giftsSent", "mb_GiftSend", "SendTime", &StatusTexts::Msg_Status_Gifts},
};

constexpr std::pair<const char*, std::string StatusTexts::*> kRuns[] = {
    {"upload", &StatusTexts::Msg_Status_LastUpload},
    {"download", &StatusTexts::Msg_Status_LastDownload},
    {"relay", &StatusTexts::Msg_Status_LastRelay},
    {"members", &StatusTexts::Msg_Status_LastMembers},
};

WaitingRows ReadWaiting(db::Connection& host, const WaitingSource& source,
                        std::chrono::year_month_day cutoff) {
  WaitingRows rows;
  rows.name = source.name;
  rows.table = source.table;
  rows.text = source.text;
  const std::string provider = storage::GetProvider();
  const std::string table = source.table;
  const std::string date = source.dateColumn;
  auto summary = host.Query(" SELECT COUNT(*), MIN(" + date + ") FROM " + table + " WHERE " +
                            source.waiting + " ");
  if (summary->Next()) {
    rows.count = db::ValueNumber(summary->Get(std::size_t{0}));
    rows.oldest = db::ValueText(summary->Get(std::size_t{1}));
  }
  auto stale = host.Query(storage::ForProvider(" SELECT COUNT(*) FROM " + table + " WHERE " +
                                                   source.waiting + " AND " + date + "<" +
                                                   storage::DateLiteral(cutoff, "MSACCESS") + " ",
                                               provider));
  rows.stale = stale->Next() && db::ValueNumber(stale->Get(std::size_t{0})) > 0;
  return rows;
}

// The package files of `folder` (a filed package's reason beside it is none).
std::vector<std::string> PackagesIn(const std::string& folder) {
  std::vector<std::string> names = FolderFiles(folder);
  std::erase_if(names, [](const std::string& name) { return !EndsWithNoCase(name, ".pkg"); });
  return names;
}

// Whether the server accepts the login, and why it was refused when the
// client knows.
std::pair<bool, std::string> ServerAnswers() {
  ExchangeSettings settings;
  if (!PrepareExchange(settings, [](const std::string&) {})) return {false, ""};
  clsFTP ftp;
  const bool answers = ftp.Connect(settings.gsFtpHost, settings.gsFtpUID, settings.gsFtpPSW);
  std::string refusal = answers ? "" : ftp.LastRefusal();
  ftp.DisConnect();
  return {answers, std::move(refusal)};
}

// What the relay and the download of this site recorded of the packages
// they took: the unsigned senders of the last 30 days, and the numbers
// missing from each site's signed packages.
void ReadSignatureRecords(db::Connection& host, Clock::time_point now, SiteStatus& status) {
  const std::string since = LocalTimeText(now - std::chrono::days(30), "%Y-%m-%d %H:%M:%S");
  std::map<std::string, std::set<std::uint64_t>> missing;
  for (const char* receiver : {"relay", "download"}) {
    for (const std::string& sender : trust::UnsignedSenders(host, receiver, since)) {
      if (std::find(status.unsignedSenders.begin(), status.unsignedSenders.end(), sender) ==
          status.unsignedSenders.end()) {
        status.unsignedSenders.push_back(sender);
      }
    }
    for (const trust::SequenceGap& gap : trust::SequenceGaps(host, receiver)) {
      missing[gap.site].insert(gap.missing.begin(), gap.missing.end());
    }
  }
  for (const auto& [site, numbers] : missing) {
    std::string line = site;
    for (const std::uint64_t number : numbers) {
      line += (line.size() == site.size() ? " " : ", ") + std::to_string(number);
    }
    status.missingPackages.push_back(line);
  }
}

}  // namespace

bool SiteStatus::NeedsAttention() const {
  const bool stale = std::any_of(waiting.begin(), waiting.end(),
                                 [](const WaitingRows& rows) { return rows.stale; });
  return stale || !pendingPackages.empty() || !errorPackages.empty() || !missingPackages.empty() ||
         serverAnswers == false;
}

SiteStatus ReadSiteStatus(const StatusRequest& request) {
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  SiteStatus status;
  status.site = ExchangeContext::Instance().Settings().GetSetting(kSettingBranchID, 0);

  const std::chrono::year_month_day cutoff =
      LocalDate(request.now - std::chrono::days(request.maxAgeDays));
  for (const WaitingSource& source : kWaitingSources) {
    if (storage::TableExists(*host, source.table)) {
      status.waiting.push_back(ReadWaiting(*host, source, cutoff));
    }
  }

  const std::string folder = PluginFolder();
  status.pendingPackages = PendingPackages(JoinPath(folder, "Temp/Pending/")).Names();
  status.errorPackages =
      PackagesIn(JoinPath(folder, "ErrPackage/" + LocalTimeText(request.now, "%Y-%m")));
  for (const auto& [run, text] : kRuns) {
    status.lastRuns.push_back({run, text, LastSuccessfulRun(run)});
  }
  ReadSignatureRecords(*host, request.now, status);
  status.missingIndexes = storage::MissingIndexes(*host, trust::ReceivingKeys());
  if (request.checkServer) {
    std::tie(status.serverAnswers, status.serverRefusal) = ServerAnswers();
  }
  return status;
}

}  // namespace tavex
