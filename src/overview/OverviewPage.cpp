#include "overview/OverviewPage.h"

#include <algorithm>
#include <cstdio>

#include "overview/OverviewReport.h"
#include "storage/DurableFile.h"
#include "storage/LocalTime.h"

namespace tavex {

namespace {

constexpr const char* kStyle = R"(
body{font-family:"Noto Sans CJK SC","WenQuanYi Micro Hei",sans-serif;color:#111;background:#fff;margin:24px;font-size:14px}
h1{font-size:22px;margin:0 0 4px}
h2{font-size:17px;margin:28px 0 8px;border-bottom:2px solid #111;padding-bottom:2px}
p.meta{margin:0;color:#333}
table{border-collapse:collapse}
th,td{border:1px solid #999;padding:3px 8px;text-align:left;vertical-align:middle}
th{background:#e8e8e8}
td.n{text-align:right;font-variant-numeric:tabular-nums}
tr.attention td{font-weight:bold;background:#f3f3f3}
tr.attention td:first-child{border-left:5px solid #111}
.mark{display:inline-block;min-width:1.2em;font-weight:bold}
ul.attention{margin:8px 0;padding:8px 8px 8px 28px;border:2px solid #111;background:#f3f3f3}
p.well{margin:8px 0;padding:8px;border:1px solid #999}
svg text{font-size:11px;fill:#111}
.bar{fill:#1f3f66;stroke:#111;stroke-width:0.5}
.grid{stroke:#999;stroke-width:0.5;stroke-dasharray:3 3}
.axis{stroke:#111;stroke-width:1}
.line{fill:none;stroke:#111;stroke-width:2}
.point{fill:#fff;stroke:#111;stroke-width:1.5}
code{font-size:12px}
@media print{body{margin:0}th{background:none}tr.attention td,ul.attention{background:none}}
)";

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        // A control character has no place in XML; a reason never needs one.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\n' || c == '\t') escaped += c;
    }
  }
  return escaped;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Cell(const std::string& text, bool number = false) {
  return std::string(number ? "<td class=\"n\">" : "<td>") + Escaped(text) + "</td>";
}

std::string Header(const std::vector<std::string>& names) {
  std::string row = "<thead><tr>";
  for (const std::string& name : names) row += "<th>" + Escaped(name) + "</th>";
  return row + "</tr></thead>";
}

std::string DayKey(std::chrono::year_month_day day) { return DayText(day, "%Y-%m-%d"); }

// The bills of one branch per day: one bar a day, scaled to the busiest
// branch and day of the chain so that the branches compare at a glance.
std::string BillBars(const BranchOverview& branch, const ChainOverview& overview,
                     std::int64_t most) {
  constexpr int kBar = 9;
  constexpr int kStep = 12;
  constexpr int kHeight = 34;
  const int width = static_cast<int>(branch.days.size()) * kStep;
  std::string svg = "<svg width=\"" + std::to_string(width) + "\" height=\"" +
                    std::to_string(kHeight + 2) + "\" viewBox=\"0 0 " + std::to_string(width) +
                    " " + std::to_string(kHeight + 2) + "\" role=\"img\">";
  for (std::size_t i = 0; i < branch.days.size(); ++i) {
    const std::int64_t bills = branch.days[i].bills;
    const double height = most > 0 ? static_cast<double>(bills) * kHeight / most : 0;
    const int x = static_cast<int>(i) * kStep;
    svg += "<rect class=\"bar\" x=\"" + std::to_string(x) + "\" y=\"" + Number(kHeight - height) +
           "\" width=\"" + std::to_string(kBar) + "\" height=\"" + Number(height) + "\"><title>" +
           Escaped(DayKey(overview.days[i])) + ": " + std::to_string(bills) + "</title></rect>";
  }
  svg += "<line class=\"axis\" x1=\"0\" y1=\"" + std::to_string(kHeight) + ".5\" x2=\"" +
         std::to_string(width) + "\" y2=\"" + std::to_string(kHeight) + ".5\"/>";
  return svg + "</svg>";
}

// The chain's sales per day as a line with a marked point per day.
std::string SalesLine(const ChainOverview& overview) {
  constexpr int kLeft = 70;
  constexpr int kTop = 10;
  constexpr int kPlotHeight = 180;
  constexpr int kStep = 48;
  const int days = static_cast<int>(overview.days.size());
  const int width = kLeft + std::max(1, days) * kStep;
  const int height = kTop + kPlotHeight + 30;
  double most = 0;
  for (const DayFigures& day : overview.totals) most = std::max(most, day.sales);
  const double top = most > 0 ? most : 1;
  const auto y = [&](double sales) { return kTop + kPlotHeight - sales * kPlotHeight / top; };
  const auto x = [&](int day) { return kLeft + day * kStep + kStep / 2; };

  std::string svg = "<svg width=\"" + std::to_string(width) + "\" height=\"" +
                    std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
                    std::to_string(height) + "\" role=\"img\">";
  for (int step = 0; step <= 4; ++step) {
    const double value = top * step / 4;
    svg += "<line class=\"grid\" x1=\"" + std::to_string(kLeft) + "\" y1=\"" + Number(y(value)) +
           "\" x2=\"" + std::to_string(width) + "\" y2=\"" + Number(y(value)) + "\"/>";
    svg += "<text x=\"" + std::to_string(kLeft - 6) + "\" y=\"" + Number(y(value) + 4) +
           "\" text-anchor=\"end\">" + SalesText(value) + "</text>";
  }
  svg += "<line class=\"axis\" x1=\"" + std::to_string(kLeft) + "\" y1=\"" +
         std::to_string(kTop + kPlotHeight) + "\" x2=\"" + std::to_string(width) + "\" y2=\"" +
         std::to_string(kTop + kPlotHeight) + "\"/>";
  std::string points;
  for (int day = 0; day < days; ++day) {
    points += (day > 0 ? " " : "") + std::to_string(x(day)) + "," +
              Number(y(overview.totals[static_cast<std::size_t>(day)].sales));
  }
  svg += "<polyline class=\"line\" points=\"" + points + "\"/>";
  for (int day = 0; day < days; ++day) {
    const auto index = static_cast<std::size_t>(day);
    svg += "<circle class=\"point\" cx=\"" + std::to_string(x(day)) + "\" cy=\"" +
           Number(y(overview.totals[index].sales)) + "\" r=\"3.5\"><title>" +
           Escaped(DayKey(overview.days[index])) + ": " + SalesText(overview.totals[index].sales) +
           "</title></circle>";
    svg += "<text x=\"" + std::to_string(x(day)) + "\" y=\"" +
           std::to_string(kTop + kPlotHeight + 18) + "\" text-anchor=\"middle\">" +
           DayText(overview.days[index], "%m-%d") + "</text>";
  }
  return svg + "</svg>";
}

std::string BranchTable(const ChainOverview& overview, const OverviewTexts& texts) {
  std::int64_t most = 0;
  for (const BranchOverview& branch : overview.branches) {
    for (const DayFigures& day : branch.days) most = std::max(most, day.bills);
  }
  std::string html =
      "<table class=\"branches\">" +
      Header({texts.Msg_Overview_Branch, texts.Msg_Overview_LastPackage, texts.Msg_Overview_Age,
              texts.Msg_Overview_BillsChart, texts.Msg_Overview_Bills, texts.Msg_Overview_Packages,
              texts.Msg_Overview_Sales, texts.Msg_Overview_Refused, texts.Msg_Overview_Members,
              texts.Msg_Overview_Signed}) +
      "<tbody>";
  for (const BranchOverview& branch : overview.branches) {
    const DayFigures total = branch.Total();
    const std::string signs = SignsText(branch.signs, texts);
    html += branch.NeedsAttention() ? "<tr class=\"attention\">" : "<tr>";
    html += "<td><span class=\"mark\">" + std::string(branch.NeedsAttention() ? "!" : "") +
            "</span>" + Escaped(branch.site) + "</td>";
    html += Cell(OrNever(branch.lastMergedAt, texts)) +
            Cell(branch.ageDays ? std::to_string(*branch.ageDays) : "-", true);
    html += "<td>" + BillBars(branch, overview, most) + "</td>";
    html += Cell(std::to_string(total.bills), true) + Cell(std::to_string(total.packages), true) +
            Cell(SalesText(total.sales), true) + Cell(std::to_string(branch.refused), true) +
            Cell(OrNever(branch.lastMembersAt, texts)) + Cell(signs) + "</tr>";
  }
  return html + "</tbody></table>";
}

std::string TotalsTable(const ChainOverview& overview, const OverviewTexts& texts) {
  std::string html = "<table>" +
                     Header({texts.Msg_Overview_Day, texts.Msg_Overview_Bills,
                             texts.Msg_Overview_Packages, texts.Msg_Overview_Sales}) +
                     "<tbody>";
  for (std::size_t i = 0; i < overview.days.size(); ++i) {
    const DayFigures& day = overview.totals[i];
    html += "<tr>" + Cell(DayKey(overview.days[i])) + Cell(std::to_string(day.bills), true) +
            Cell(std::to_string(day.packages), true) + Cell(SalesText(day.sales), true) + "</tr>";
  }
  return html + "</tbody></table>";
}

std::string RefusedTable(const ChainOverview& overview, const OverviewTexts& texts) {
  std::string html =
      "<table>" +
      Header({texts.Msg_Overview_Time, texts.Msg_Overview_Sender, texts.Msg_Overview_File,
              texts.Msg_Overview_Receiver, texts.Msg_Overview_Reason}) +
      "<tbody>";
  for (const RefusedPackage& package : overview.refused) {
    std::string reason = Escaped(package.reason);
    for (std::size_t at = 0; (at = reason.find('\n', at)) != std::string::npos;) {
      reason.replace(at, 1, "<br/>");
    }
    html += "<tr>" + Cell(package.at) + Cell(package.sender) + Cell(package.package) +
            Cell(RunName(package.receiver, texts)) + "<td>" + reason + "</td></tr>";
  }
  return html + "</tbody></table>";
}

std::string RunsTable(const ChainOverview& overview, const OverviewTexts& texts) {
  std::string html = "<table>" +
                     Header({texts.Msg_Overview_Run, texts.Msg_Overview_LastSuccess,
                             texts.Msg_Overview_LastFailure}) +
                     "<tbody>";
  for (const HeadOfficeRun& run : overview.runs) {
    html += std::string(run.Failed() ? "<tr class=\"attention\">" : "<tr>") +
            "<td><span class=\"mark\">" + (run.Failed() ? "!" : "") + "</span>" +
            Escaped(RunName(run.name, texts)) + "</td>" +
            Cell(OrNever(RunTimeText(run.lastSuccess), texts)) +
            Cell(OrNever(RunTimeText(run.lastFailure), texts)) + "</tr>";
  }
  return html + "</tbody></table>";
}

}  // namespace

std::string LanguageTag(std::int32_t language) {
  switch (language) {
    case 2:
      return "zh-Hant";
    case 3:
      return "en";
    default:
      return "zh-Hans";
  }
}

std::string OverviewPage(const ChainOverview& overview, const OverviewTexts& texts,
                         const std::string& languageTag) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"" + Escaped(languageTag) +
                     "\"><head><meta charset=\"utf-8\"/><title>" +
                     Escaped(texts.Msg_Overview_Title + " " + overview.headOffice) +
                     "</title><style>" + kStyle + "</style></head><body>";
  html += "<h1>" + Escaped(texts.Msg_Overview_Title) + "</h1>";
  html += "<p class=\"meta\">" + Escaped(texts.Msg_Overview_HeadOffice + overview.headOffice) +
          "<br/>" + Escaped(texts.Msg_Overview_Generated + overview.generatedAt) + "<br/>" +
          Escaped(texts.Msg_Overview_Period + DayKey(overview.days.front()) +
                  texts.Msg_Overview_To + DayKey(overview.days.back())) +
          "</p>";

  const std::vector<std::string> reasons = AttentionReasons(overview, texts);
  if (reasons.empty()) {
    html += "<p class=\"well\">" + Escaped(texts.Msg_Overview_AllWell) + "</p>";
  } else {
    html += "<ul class=\"attention\">";
    for (const std::string& reason : reasons) {
      html += "<li>" + Escaped(texts.Msg_Overview_Attention + reason) + "</li>";
    }
    html += "</ul>";
  }

  html += "<h2>" + Escaped(texts.Msg_Overview_BillsChart) + "</h2>";
  html += overview.branches.empty() ? "<p>" + Escaped(texts.Msg_Overview_NoBranches) + "</p>"
                                    : BranchTable(overview, texts);
  html += "<h2>" + Escaped(texts.Msg_Overview_SalesChart) + "</h2>" + SalesLine(overview);
  html += "<h2>" + Escaped(texts.Msg_Overview_Totals) + "</h2>" + TotalsTable(overview, texts);
  if (!overview.refused.empty()) {
    html +=
        "<h2>" + Escaped(texts.Msg_Overview_RefusedList) + "</h2>" + RefusedTable(overview, texts);
  }
  html += "<h2>" + Escaped(texts.Msg_Overview_Runs) + "</h2>" + RunsTable(overview, texts);
  for (const storage::MissingIndex& index : overview.missingIndexes) {
    html += "<p>" + Escaped(texts.Msg_Overview_NoIndex) + "<code>" + Escaped(index.statement) +
            "</code></p>";
  }
  return html + "</body></html>\n";
}

void WriteOverviewPage(const std::string& path, const std::string& page) {
  WriteFileDurably(path, page, 0644);
}

}  // namespace tavex
