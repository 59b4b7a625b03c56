#include "overview/OverviewReport.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "overview/TextColumns.h"
#include "storage/LocalTime.h"

namespace tavex {

namespace {

using Json = nlohmann::ordered_json;

Json TextOrNull(const std::string& text) { return text.empty() ? Json() : Json(text); }

Json FiguresJson(const DayFigures& figures) {
  return {{"bills", figures.bills},
          {"packages", figures.packages},
          {"sales", std::round(figures.sales * 100) / 100}};
}

Json DaysJson(const std::vector<DayFigures>& figures,
              const std::vector<std::chrono::year_month_day>& days) {
  Json list = Json::array();
  for (std::size_t i = 0; i < figures.size() && i < days.size(); ++i) {
    Json day = {{"day", DayText(days[i], "%Y-%m-%d")}};
    day.update(FiguresJson(figures[i]));
    list.push_back(day);
  }
  return list;
}

}  // namespace

std::string SalesText(double sales) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", sales);
  return text;
}

std::string OrNever(const std::string& text, const OverviewTexts& texts) {
  return text.empty() ? texts.Msg_Overview_Never : text;
}

std::string SignsText(const std::optional<bool>& signs, const OverviewTexts& texts) {
  if (!signs) return texts.Msg_Overview_Unknown;
  return *signs ? texts.Msg_Overview_Yes : texts.Msg_Overview_No;
}

const std::string& RunName(const std::string& run, const OverviewTexts& texts) {
  return run == "relay" ? texts.Msg_Overview_Relay : texts.Msg_Overview_Download;
}

std::string RunTimeText(const std::optional<std::chrono::system_clock::time_point>& when) {
  return when ? LocalTimeText(*when, "%Y-%m-%d %H:%M:%S") : "";
}

std::vector<std::string> AttentionReasons(const ChainOverview& overview,
                                          const OverviewTexts& texts) {
  std::vector<std::string> reasons;
  for (const BranchOverview& branch : overview.branches) {
    if (branch.silent) reasons.push_back(texts.Msg_Overview_Silent + branch.site);
    if (branch.lastRefused) reasons.push_back(texts.Msg_Overview_LastRefused + branch.site);
  }
  for (const HeadOfficeRun& run : overview.runs) {
    if (run.Failed()) reasons.push_back(texts.Msg_Overview_RunFailed + RunName(run.name, texts));
  }
  if (overview.serverAnswers == false) reasons.push_back(texts.Msg_Overview_ServerSilent);
  return reasons;
}

std::vector<std::string> OverviewLines(const ChainOverview& overview, const OverviewTexts& texts) {
  std::vector<std::string> lines{
      texts.Msg_Overview_Title, texts.Msg_Overview_HeadOffice + overview.headOffice,
      texts.Msg_Overview_Generated + overview.generatedAt,
      texts.Msg_Overview_Period + DayText(overview.days.front(), "%Y-%m-%d") +
          texts.Msg_Overview_To + DayText(overview.days.back(), "%Y-%m-%d"),
      ""};
  const auto add = [&](const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
  };

  if (overview.branches.empty()) {
    lines.push_back(texts.Msg_Overview_NoBranches);
  } else {
    std::vector<std::vector<std::string>> rows{
        {"", texts.Msg_Overview_Branch, texts.Msg_Overview_LastPackage, texts.Msg_Overview_Age,
         texts.Msg_Overview_Bills, texts.Msg_Overview_Packages, texts.Msg_Overview_Sales,
         texts.Msg_Overview_Refused, texts.Msg_Overview_Members, texts.Msg_Overview_Signed}};
    for (const BranchOverview& branch : overview.branches) {
      const DayFigures total = branch.Total();
      rows.push_back(
          {branch.NeedsAttention() ? "!" : "", branch.site, OrNever(branch.lastMergedAt, texts),
           branch.ageDays ? std::to_string(*branch.ageDays) : "-", std::to_string(total.bills),
           std::to_string(total.packages), SalesText(total.sales), std::to_string(branch.refused),
           OrNever(branch.lastMembersAt, texts), SignsText(branch.signs, texts)});
    }
    add(AlignedRows(rows, {3, 4, 5, 6, 7}));
  }

  lines.insert(lines.end(), {"", texts.Msg_Overview_Totals});
  std::vector<std::vector<std::string>> days{{texts.Msg_Overview_Day, texts.Msg_Overview_Bills,
                                              texts.Msg_Overview_Packages,
                                              texts.Msg_Overview_Sales}};
  for (std::size_t i = 0; i < overview.days.size(); ++i) {
    const DayFigures& total = overview.totals[i];
    days.push_back({DayText(overview.days[i], "%Y-%m-%d"), std::to_string(total.bills),
                    std::to_string(total.packages), SalesText(total.sales)});
  }
  add(AlignedRows(days, {1, 2, 3}));

  if (!overview.refused.empty()) {
    lines.insert(lines.end(), {"", texts.Msg_Overview_RefusedList});
    std::vector<std::vector<std::string>> refused{
        {texts.Msg_Overview_Time, texts.Msg_Overview_Sender, texts.Msg_Overview_File,
         texts.Msg_Overview_Receiver, texts.Msg_Overview_Reason}};
    for (const RefusedPackage& package : overview.refused) {
      // A reason of several lines shows its first here; the JSON has it all.
      refused.push_back({package.at, package.sender, package.package,
                         RunName(package.receiver, texts),
                         package.reason.substr(0, package.reason.find('\n'))});
    }
    add(AlignedRows(refused));
  }

  lines.insert(lines.end(), {"", texts.Msg_Overview_Runs});
  std::vector<std::vector<std::string>> runs{
      {texts.Msg_Overview_Run, texts.Msg_Overview_LastSuccess, texts.Msg_Overview_LastFailure}};
  for (const HeadOfficeRun& run : overview.runs) {
    runs.push_back({(run.Failed() ? "! " : "") + RunName(run.name, texts),
                    OrNever(RunTimeText(run.lastSuccess), texts),
                    OrNever(RunTimeText(run.lastFailure), texts)});
  }
  add(AlignedRows(runs));

  lines.push_back("");
  for (const storage::MissingIndex& index : overview.missingIndexes) {
    lines.push_back(texts.Msg_Overview_NoIndex + index.statement);
  }
  const std::vector<std::string> reasons = AttentionReasons(overview, texts);
  if (reasons.empty()) lines.push_back(texts.Msg_Overview_AllWell);
  for (const std::string& reason : reasons) lines.push_back(texts.Msg_Overview_Attention + reason);
  return lines;
}

std::string OverviewJson(const ChainOverview& overview) {
  Json days = Json::array();
  for (const auto& day : overview.days) days.push_back(DayText(day, "%Y-%m-%d"));
  Json branches = Json::array();
  for (const BranchOverview& branch : overview.branches) {
    branches.push_back({{"site", branch.site},
                        {"lastMergedAt", TextOrNull(branch.lastMergedAt)},
                        {"lastPackage", TextOrNull(branch.lastPackage)},
                        {"ageDays", branch.ageDays ? Json(*branch.ageDays) : Json()},
                        {"silent", branch.silent},
                        {"lastRefused", branch.lastRefused},
                        {"needsAttention", branch.NeedsAttention()},
                        {"refused", branch.refused},
                        {"lastMembersAt", TextOrNull(branch.lastMembersAt)},
                        {"signs", branch.signs ? Json(*branch.signs) : Json()},
                        {"total", FiguresJson(branch.Total())},
                        {"days", DaysJson(branch.days, overview.days)}});
  }
  Json refused = Json::array();
  for (const RefusedPackage& package : overview.refused) {
    refused.push_back({{"package", package.package},
                       {"sender", TextOrNull(package.sender)},
                       {"receiver", package.receiver},
                       {"at", package.at},
                       {"reason", package.reason}});
  }
  Json runs = Json::object();
  for (const HeadOfficeRun& run : overview.runs) {
    runs[run.name] = {{"lastSuccess", TextOrNull(RunTimeText(run.lastSuccess))},
                      {"lastFailure", TextOrNull(RunTimeText(run.lastFailure))},
                      {"failed", run.Failed()}};
  }
  Json indexes = Json::array();
  for (const storage::MissingIndex& index : overview.missingIndexes) {
    indexes.push_back(
        {{"table", index.table}, {"column", index.column}, {"statement", index.statement}});
  }
  const Json json = {
      {"headOffice", overview.headOffice},
      {"generatedAt", overview.generatedAt},
      {"maxAgeDays", overview.maxAgeDays},
      {"days", days},
      {"branches", branches},
      {"totals", DaysJson(overview.totals, overview.days)},
      {"refused", refused},
      {"runs", runs},
      {"serverAnswers", overview.serverAnswers ? Json(*overview.serverAnswers) : Json()},
      {"missingIndexes", indexes},
      {"needsAttention", overview.NeedsAttention()},
  };
  // Bytes that are not UTF-8 (a package name, a reason) become U+FFFD
  // instead of failing the dump.
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace tavex
