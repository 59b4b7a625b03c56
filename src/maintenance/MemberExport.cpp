#include "maintenance/MemberExport.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "database/AsciiText.h"
#include "engine/SqlNames.h"
#include "i18n/TextTable.h"
#include "maintenance/HostFile.h"
#include "maintenance/WorkFile.h"
#include "storage/DatabaseHelpers.h"
#include "storage/DurableFile.h"
#include "storage/LocalTime.h"

namespace tavex {

namespace {

bool IsCsvPath(const std::string& path) {
  return path.size() >= 4 && AsciiLower(path.substr(path.size() - 4)) == ".csv";
}

// An optional sign, digits, and optionally a decimal point with digits.
bool IsPlainNumber(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  const auto digits = [&text] {
    const std::size_t count = std::min(text.find_first_not_of("0123456789"), text.size());
    text.remove_prefix(count);
    return count > 0;
  };
  if (!digits()) return false;
  if (text.empty()) return true;
  if (text.front() != '.') return false;
  text.remove_prefix(1);
  return digits() && text.empty();
}

// A field as spreadsheets read it: quoted, with inner quotes doubled, when it
// holds a separator, a quote or a line break.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void WriteCsv(db::Connection& work, const MemberExportTexts& texts, const std::string& path) {
  std::string csv = "\xEF\xBB\xBF";
  for (std::size_t i = 0; i < texts.columns.size(); ++i) {
    csv += (i > 0 ? "," : "") + CsvField(CsvCell(texts.columns[i]));
  }
  csv += "\r\n";
  auto rows = work.Query("SELECT * FROM " + engine::QuoteName(texts.Msg_mb_MemberInfo));
  while (rows->Next()) {
    for (std::size_t i = 0; i < rows->Columns().size(); ++i) {
      csv += (i > 0 ? "," : "") + CsvField(CsvCell(rows->Get(i)));
    }
    csv += "\r\n";
  }
  WriteFileDurably(path, csv);
}

// PostgreSQL folds the ASCII letters of the selected column names to lower
// case; the file's columns take the texts exactly as written.
void NameColumnsAsWritten(db::Connection& work, const MemberExportTexts& texts) {
  const auto columns = engine::TableColumns(work, texts.Msg_mb_MemberInfo);
  for (std::size_t i = 0; i < columns.size() && i < texts.columns.size(); ++i) {
    if (columns[i].name == texts.columns[i]) continue;
    work.Execute("ALTER TABLE " + engine::QuoteName(texts.Msg_mb_MemberInfo) + " RENAME COLUMN " +
                 engine::QuoteName(columns[i].name) + " TO " + engine::QuoteName(texts.columns[i]));
  }
}

// The first 16 bytes of every SQLite database file.
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

// Copies the database file the user chose to `work`, so that the export adds
// its table to it; false when there is nothing to copy (no file, or an empty
// one, which SQLite takes for an empty database). A file that is no SQLite
// database is refused (raises with the reason), so that it is never replaced.
bool CopyUsersDatabase(const std::string& path, const std::string& work,
                       const MemberExportTexts& texts) {
  if (!std::filesystem::exists(path) || std::filesystem::file_size(path) == 0) return false;
  std::ifstream file(path, std::ios::binary);
  std::string header(kSqliteHeader.size(), '\0');
  if (!file.read(header.data(), static_cast<std::streamsize>(header.size())) ||
      header != kSqliteHeader) {
    throw std::runtime_error(texts.Msg_NotDatabaseFile + path);
  }
  std::filesystem::copy_file(path, work);
  return true;
}

constexpr TextRow<MemberExportTexts> kMemberExportRows[] = {
    {"Msg_PackageName", "会员卡资料", &MemberExportTexts::Msg_PackageName},
    {"Msg_ExportData_Fault", "导出数据失败!", &MemberExportTexts::Msg_ExportData_Fault},
    {"Msg_Filter_DbFile", "数据库文件(*.db)", &MemberExportTexts::Msg_Filter_DbFile},
    {"Msg_Filter_CsvFile", "CSV 文件(*.csv)", &MemberExportTexts::Msg_Filter_CsvFile},
    {"Msg_mb_MemberInfo", "会员卡资料", &MemberExportTexts::Msg_mb_MemberInfo},
    {"Msg_NotDatabaseFile", "选择的文件不是数据库文件，没有改动它：",
     &MemberExportTexts::Msg_NotDatabaseFile},
};

const TextTable<MemberExportTexts> kMemberExportTexts({"frmExport"}, kMemberExportRows);

// The names of MemberCardID, MemberName, ... in the written file.
const TextList kColumns({"frmExport"}, {
                                           {"Msg_MemberCardID", "", "卡号"},
                                           {"Msg_MemberName", "", "姓名"},
                                           {"Msg_MemberTypeName", "", "级别"},
                                           {"Msg_MobileNumber", "", "手机号码"},
                                           {"Msg_ConsumeSum", "", "消费总额"},
                                           {"Msg_IntegralSum", "", "积分"},
                                       });

}  // namespace

std::string CsvCell(const db::Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&value)) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, *real).ptr;
    return std::string(buffer, end);
  }
  const auto* text = std::get_if<std::string>(&value);
  if (text == nullptr || text->empty()) return "";  // NULL (the member list holds no bytes)
  const char first = text->front();
  const bool formula = first == '=' || first == '@' || first == '\t' || first == '\r' ||
                       ((first == '+' || first == '-') && !IsPlainNumber(*text));
  return formula ? "'" + *text : *text;
}

MemberExportTexts ReadMemberExportTexts() {
  MemberExportTexts texts = kMemberExportTexts.Read();
  texts.columns = kColumns.Read("frmExport");
  return texts;
}

std::string MemberSelectStatement(const MemberExportTexts& texts) {
  // The established layout: each source column right-aligned before its alias.
  static constexpr std::array<const char*, 6> kLeads = {
      "     MemberCardID AS [", "       MemberName AS [", "   MemberTypeName AS [",
      "     MobileNumber AS [", "       ConsumeSum AS [", "      IntegralSum AS ["};
  std::string sql = " SELECT ";
  for (std::size_t i = 0; i < kLeads.size(); ++i) {
    sql += kLeads[i] + texts.columns.at(i) + (i + 1 < kLeads.size() ? "], " : "] ");
  }
  return sql + " FROM mb_MemberInfo ";
}

std::unique_ptr<engine::Package> DefineMemberExport(const MemberExportTexts& texts,
                                                    std::chrono::year_month_day today) {
  const std::string date = DayText(today, "(%Y-%m-%d)");
  auto package = std::make_unique<engine::Package>();
  package->PackageID(texts.Msg_PackageName + date);
  package->ExDatas().Add(texts.Msg_mb_MemberInfo, MemberSelectStatement(texts),
                         texts.Msg_mb_MemberInfo, true, false);
  return package;
}

RunOutcome RunMemberExport(engine::Package& package, const MemberExportTexts& texts,
                           const std::shared_ptr<db::Connection>& host, const std::string& path) {
  if (!host) throw std::runtime_error("no host database");
  RefuseHostFile(*host, path);
  const bool csv = IsCsvPath(path);
  const WorkFile work("members.db");
  const bool copied = !csv && CopyUsersDatabase(path, work.Path(), texts);
  if (!copied) storage::CreateEmptyDatabase(work.Path());
  const auto target = db::OpenConnection(db::PackageConnectionString(work.Path()));
  if (copied) {
    target->Execute("DROP TABLE IF EXISTS " + engine::QuoteName(texts.Msg_mb_MemberInfo));
  }
  package.SourceConnection(host);
  package.TargetConnection(target);
  const bool exported = package.ExportTables(true, true, 1);
  package.TargetConnection(nullptr);
  if (!exported) {
    target->Close();
    return package.Errors().Count() > 0 ? RunOutcome::Failed : RunOutcome::Cancelled;
  }
  NameColumnsAsWritten(*target, texts);
  if (csv) WriteCsv(*target, texts, path);
  target->Close();
  if (!csv) CopyFileDurably(work.Path(), path);
  return RunOutcome::Done;
}

}  // namespace tavex
