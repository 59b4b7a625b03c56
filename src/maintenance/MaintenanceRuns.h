#pragma once

#include <functional>
#include <memory>
#include <string>

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

}  // namespace tavex
