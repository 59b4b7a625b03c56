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

// The length of the well-formed UTF-8 sequence at the start of `text`
// (shortest form, no surrogate, at most U+10FFFF); 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;   // the second byte's range, narrowed where the
  unsigned char high = 0xBF;  // lead byte alone allows overlong forms or more
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // U+D800 to U+DFFF are surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

// `text` as a JSON string. Names come from folders and may be in any
// encoding: each byte that is not part of well-formed UTF-8 becomes U+FFFD,
// so the output stays valid JSON; control characters (C0, DEL, C1) are
// written as \u escapes.
std::string JsonText(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto escaped = [](unsigned code) {
    return std::string("\\u00") + kHex[(code >> 4) & 0xF] + kHex[code & 0xF];
  };
  std::string quoted = "\"";
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t length = Utf8SequenceLength(rest);
    const auto lead = static_cast<unsigned char>(rest.front());
    if (length == 0) {
      quoted += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
      rest.remove_prefix(1);
      continue;
    }
    if (lead == '"' || lead == '\\') {
      quoted += '\\';
      quoted += rest.front();
    } else if (lead < 0x20 || lead == 0x7F) {
      quoted += escaped(lead);
    } else if (lead == 0xC2 && static_cast<unsigned char>(rest[1]) < 0xA0) {
      quoted += escaped(static_cast<unsigned char>(rest[1]));  // U+0080 to U+009F
    } else {
      quoted.append(rest.substr(0, length));
    }
    rest.remove_prefix(length);
  }
  return quoted + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string list = "[";
  for (const std::string& item : items) list += (list.size() > 1 ? "," : "") + JsonText(item);
  return list + "]";
}

std::string TimeText(Clock::time_point when) { return LocalTimeText(when, "%Y-%m-%d %H:%M:%S"); }

// What the relay and the download of this site recorded of the packages
// they took: the unsigned senders of the last 30 days, and the numbers
// missing from each site's signed packages.
void ReadSignatureRecords(db::Connection& host, Clock::time_point now, SiteStatus& status) {
  const std::string since = TimeText(now - std::chrono::days(30));
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
    if (storage::TableExists(source.table)) {
      status.waiting.push_back(ReadWaiting(*host, source, cutoff));
    }
  }

  const std::string folder = PluginFolder();
  status.pendingPackages = PendingPackages(JoinPath(folder, "Temp/Pending/")).Names();
  status.errorPackages =
      PackagesIn(JoinPath(folder, "ErrPackage/" + LocalTimeText(request.now, "%Y-%m")));
  for (const auto& [run, text] : kRuns) status.lastRuns.emplace_back(run, LastSuccessfulRun(run));
  ReadSignatureRecords(*host, request.now, status);
  if (request.checkServer) {
    std::tie(status.serverAnswers, status.serverRefusal) = ServerAnswers();
  }
  return status;
}

std::vector<std::string> StatusLines(const SiteStatus& status, const StatusTexts& texts) {
  std::vector<std::string> lines{texts.Msg_Status_Site + status.site};
  for (const WaitingRows& rows : status.waiting) {
    std::string line = texts.*rows.text + std::to_string(rows.count) + texts.Msg_Status_Rows;
    if (rows.count > 0 && !rows.oldest.empty()) line += texts.Msg_Status_Oldest + rows.oldest;
    lines.push_back(line);
  }
  const auto withNames = [](const std::string& text, const std::vector<std::string>& names) {
    std::string line = text + std::to_string(names.size());
    for (const std::string& name : names) line += " " + name;
    return line;
  };
  lines.push_back(withNames(texts.Msg_Status_Pending, status.pendingPackages));
  lines.push_back(withNames(texts.Msg_Status_Errors, status.errorPackages));
  if (!status.unsignedSenders.empty()) {
    std::string line = texts.Msg_Status_Unsigned;
    for (std::size_t i = 0; i < status.unsignedSenders.size(); ++i) {
      line += (i > 0 ? ", " : "") + status.unsignedSenders[i];
    }
    lines.push_back(line);
  }
  for (const std::string& missing : status.missingPackages) {
    lines.push_back(texts.Msg_Status_Missing + missing);
  }
  for (std::size_t i = 0; i < status.lastRuns.size(); ++i) {
    const auto& when = status.lastRuns[i].second;
    lines.push_back(texts.*kRuns[i].second + (when ? TimeText(*when) : texts.Msg_Status_Never));
  }
  if (status.serverAnswers) {
    lines.push_back(texts.Msg_Status_Server + (*status.serverAnswers
                                                   ? texts.Msg_Status_ServerAnswers
                                                   : texts.Msg_Status_ServerSilent));
    if (!status.serverRefusal.empty()) lines.push_back(status.serverRefusal);
  }
  if (!status.NeedsAttention()) {
    lines.push_back(texts.Msg_Status_AllWell);
    return lines;
  }
  std::vector<std::string> reasons;
  for (const WaitingRows& rows : status.waiting) {
    if (rows.stale) reasons.push_back(texts.Msg_Status_Stale + rows.table);
  }
  // The texts end in a colon: each reason says how many, as its line above does.
  if (!status.pendingPackages.empty()) {
    reasons.push_back(texts.Msg_Status_Pending + std::to_string(status.pendingPackages.size()));
  }
  if (!status.errorPackages.empty()) {
    reasons.push_back(texts.Msg_Status_Errors + std::to_string(status.errorPackages.size()));
  }
  if (!status.missingPackages.empty()) {
    reasons.push_back(texts.Msg_Status_Missing + std::to_string(status.missingPackages.size()));
  }
  if (status.serverAnswers == false) {
    reasons.push_back(texts.Msg_Status_Server + texts.Msg_Status_ServerSilent);
  }
  for (const std::string& reason : reasons) lines.push_back(texts.Msg_Status_Attention + reason);
  return lines;
}

std::string StatusJson(const SiteStatus& status) {
  std::string json = "{\"site\":" + JsonText(status.site) + ",\"waiting\":[";
  for (std::size_t i = 0; i < status.waiting.size(); ++i) {
    const WaitingRows& rows = status.waiting[i];
    json += std::string(i > 0 ? "," : "") + "{\"name\":" + JsonText(rows.name) +
            ",\"table\":" + JsonText(rows.table) + ",\"count\":" + std::to_string(rows.count) +
            ",\"oldest\":" + (rows.oldest.empty() ? "null" : JsonText(rows.oldest)) +
            ",\"stale\":" + (rows.stale ? "true" : "false") + "}";
  }
  json += "],\"pendingPackages\":" + JsonList(status.pendingPackages) +
          ",\"errorPackages\":" + JsonList(status.errorPackages) +
          ",\"unsignedSenders\":" + JsonList(status.unsignedSenders) +
          ",\"missingPackages\":" + JsonList(status.missingPackages) + ",\"lastSuccess\":{";
  for (std::size_t i = 0; i < status.lastRuns.size(); ++i) {
    const auto& [run, when] = status.lastRuns[i];
    json += std::string(i > 0 ? "," : "") + JsonText(run) + ":" +
            (when ? JsonText(TimeText(*when)) : "null");
  }
  json += "},\"serverAnswers\":" +
          std::string(!status.serverAnswers   ? "null"
                      : *status.serverAnswers ? "true"
                                              : "false") +
          ",\"serverRefusal\":" +
          (status.serverRefusal.empty() ? "null" : JsonText(status.serverRefusal)) +
          ",\"needsAttention\":" + (status.NeedsAttention() ? "true" : "false") + "}";
  return json;
}

}  // namespace tavex
