#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/Package.h"

namespace tavex {

// How a backup, a restore or a member export ended.
enum class RunOutcome {
  Done,
  Failed,     // the package engine failed; its Errors say why
  Cancelled,  // a progress handler set Cancel
  // The file could not be packed (backup) or is no package (restore).
  BadFile,
};

// Writes the backup that `package` defines from `host` to the package file
// `packagePath`, exactly as given. The rows go to a private working database
// first, which is removed on every path out; the package file is written
// under a temporary name in its folder and renamed when complete, so a
// failed or cancelled run leaves whatever was at `packagePath` untouched.
// On PostgreSQL the rows are read in one snapshot, so a backup taken while
// tills write holds no item without its bill. Progress arrives through the
// package's Proccess handler. Unexpected failures (no working folder, a
// package path that is the host database's own file) raise.
RunOutcome RunBackup(engine::Package& package, const std::shared_ptr<db::Connection>& host,
                     const std::string& packagePath);

// The texts of the restore (section "frmRestore"): the line for a file that
// is no package, and the first line of an unexpected failure's message.
struct RestoreTexts {
  std::string Msg_Error;
  std::string Msg_ImportFault;
};
RestoreTexts ReadRestoreTexts();

// Merges the package file `packagePath` into `host`: unpacks it into a
// private working file (removed on every path out; nothing is written beside
// the package), checks its definition (BadFile when unpacking or the check
// fails) and imports it, all or nothing. `beforeImport` runs between the
// check and the import. Unexpected failures raise.
RunOutcome RestorePackage(engine::Package& package, const std::string& packagePath,
                          const std::shared_ptr<db::Connection>& host,
                          const std::function<void()>& beforeImport = {});

// The texts of the member export (section "frmExport"): the package name,
// the failure message, the file chooser's two kinds, the table's name and the
// six column names.
struct MemberExportTexts {
  std::string Msg_PackageName;
  std::string Msg_ExportData_Fault;
  std::string Msg_Filter_DbFile;
  std::string Msg_Filter_CsvFile;
  std::string Msg_mb_MemberInfo;
  std::vector<std::string> columns;  // MemberCardID, MemberName, ... in order

  // The chooser's filter: the database file or CSV.
  std::string FileFilter() const {
    return Msg_Filter_DbFile + "|*.db|" + Msg_Filter_CsvFile + "|*.csv";
  }
};
MemberExportTexts ReadMemberExportTexts();

// The statement selecting every member with the translated column names.
std::string MemberSelectStatement(const MemberExportTexts& texts);

// The export of the member list as the one table Msg_mb_MemberInfo.
std::unique_ptr<engine::Package> DefineMemberExport(const MemberExportTexts& texts,
                                                    std::chrono::year_month_day today);

// Writes the member list of `host` to `path`: a database file that common
// database browsers open, or, for a path ending in ".csv" (any case), the
// same table as comma-separated text in UTF-8 with a byte-order mark (so
// spreadsheets show the Chinese names). Table and column names are the
// texts exactly, on either backend. The file is written under a temporary
// name and renamed over `path` only when complete: a failed or cancelled
// export never touches a file that was there before. The host database's
// own file is refused (raises).
RunOutcome RunMemberExport(engine::Package& package, const MemberExportTexts& texts,
                           const std::shared_ptr<db::Connection>& host, const std::string& path);

}  // namespace tavex
