#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/Package.h"
#include "maintenance/MaintenanceRuns.h"

namespace tavex {

// The texts of the member export (section "frmExport"): the package name,
// the failure message, the file chooser's two kinds, the table's name, the
// refusal of a chosen file that is no database (followed by its path) and
// the six column names.
struct MemberExportTexts {
  std::string Msg_PackageName;
  std::string Msg_ExportData_Fault;
  std::string Msg_Filter_DbFile;
  std::string Msg_Filter_CsvFile;
  std::string Msg_mb_MemberInfo;
  std::string Msg_NotDatabaseFile;
  std::vector<std::string> columns;  // MemberCardID, MemberName, ... in order

  // The chooser's filter: the database file or CSV.
  std::string FileFilter() const {
    return Msg_Filter_DbFile + "|*.db|" + Msg_Filter_CsvFile + "|*.csv";
  }
};
MemberExportTexts ReadMemberExportTexts();

// A value as the CSV export writes it, before quoting. A text that a
// spreadsheet would take for a formula gets a leading apostrophe, which the
// spreadsheet shows as plain text: one beginning with '=', '@', a tab or a
// carriage return, or with '+' or '-' unless it is a plain number (an
// optional sign, digits, optionally a decimal point and digits), so numbers
// and telephone numbers ("+8612345", "-12.5") stay as they are. Numbers are
// written in their shortest exact form; NULL is empty.
std::string CsvCell(const db::Value& value);

// The statement selecting every member with the translated column names.
std::string MemberSelectStatement(const MemberExportTexts& texts);

// The export of the member list as the one table Msg_mb_MemberInfo.
std::unique_ptr<engine::Package> DefineMemberExport(const MemberExportTexts& texts,
                                                    std::chrono::year_month_day today);

// Writes the member list of `host` to `path`: the table Msg_mb_MemberInfo
// in a database file that common database browsers open, or, for a path
// ending in ".csv" (any case), the same table as comma-separated text in
// UTF-8 with a byte-order mark (so spreadsheets show the Chinese names).
// Table and column names are the texts exactly, on either backend. A
// database file already at `path` keeps its other tables: the export works
// on a private copy of it, where it replaces a table of its own name. The
// result is written under a temporary name and renamed over `path` only
// when complete: a failed or cancelled export never touches a file that was
// there before. The host database's own file, and a file at a database path
// that is no SQLite database, are refused (raise) and left as they are.
RunOutcome RunMemberExport(engine::Package& package, const MemberExportTexts& texts,
                           const std::shared_ptr<db::Connection>& host, const std::string& path);

}  // namespace tavex
