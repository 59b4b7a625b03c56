#include "status/StatusReport.h"

#include <nlohmann/json.hpp>

#include "storage/LocalTime.h"

namespace tavex {

namespace {

std::string TimeText(std::chrono::system_clock::time_point when) {
  return LocalTimeText(when, "%Y-%m-%d %H:%M:%S");
}

}  // namespace

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
  for (const SiteStatus::LastRun& run : status.lastRuns) {
    lines.push_back(texts.*run.text + (run.when ? TimeText(*run.when) : texts.Msg_Status_Never));
  }
  if (status.serverAnswers) {
    lines.push_back(texts.Msg_Status_Server + (*status.serverAnswers
                                                   ? texts.Msg_Status_ServerAnswers
                                                   : texts.Msg_Status_ServerSilent));
    if (!status.serverRefusal.empty()) lines.push_back(status.serverRefusal);
  }
  for (const storage::MissingIndex& index : status.missingIndexes) {
    lines.push_back(texts.Msg_Status_NoIndex + index.statement);
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
  // Keys in the order they are written, as scripts and people read them.
  using Json = nlohmann::ordered_json;
  const auto textOrNull = [](const std::string& text) {
    return text.empty() ? Json() : Json(text);
  };
  Json waiting = Json::array();
  for (const WaitingRows& rows : status.waiting) {
    waiting.push_back({{"name", rows.name},
                       {"table", rows.table},
                       {"count", rows.count},
                       {"oldest", textOrNull(rows.oldest)},
                       {"stale", rows.stale}});
  }
  Json lastSuccess = Json::object();
  for (const SiteStatus::LastRun& run : status.lastRuns) {
    lastSuccess[run.name] = run.when ? Json(TimeText(*run.when)) : Json();
  }
  Json indexes = Json::array();
  for (const storage::MissingIndex& index : status.missingIndexes) {
    indexes.push_back(
        {{"table", index.table}, {"column", index.column}, {"statement", index.statement}});
  }
  const Json json = {
      {"site", status.site},
      {"waiting", waiting},
      {"pendingPackages", status.pendingPackages},
      {"errorPackages", status.errorPackages},
      {"unsignedSenders", status.unsignedSenders},
      {"missingPackages", status.missingPackages},
      {"lastSuccess", lastSuccess},
      {"serverAnswers", status.serverAnswers ? Json(*status.serverAnswers) : Json()},
      {"serverRefusal", textOrNull(status.serverRefusal)},
      {"missingIndexes", indexes},
      {"needsAttention", status.NeedsAttention()},
  };
  // Bytes that are not UTF-8 become U+FFFD instead of failing the dump.
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace tavex
