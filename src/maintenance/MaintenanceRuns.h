#pragma once

#include <functional>
#include <memory>
#include <optional>
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
  // A restore that replaces accounts or privileges, refused: the account or
  // password given is wrong (or none was given), or the account lacks the
  // privilege to delete data.
  BadLogin,
  NoPrivilege,
};

// The account that a restore of accounts and privileges is made under.
struct RestoreLogin {
  std::string user;
  std::string password;
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
// is no package, the first line of an unexpected failure's message, and the
// prompt for a password typed at a terminal.
struct RestoreTexts {
  std::string Msg_Error;
  std::string Msg_ImportFault;
  std::string Msg_PasswordPrompt;
};
RestoreTexts ReadRestoreTexts();

// Merges the package file `packagePath` into `host`: unpacks it into a
// private working file (removed on every path out; nothing is written beside
// the package), checks its definition (BadFile when unpacking or the check
// fails) and imports it, all or nothing. `beforeImport` runs between the
// check and the import. A package that fills any account or privilege
// table (pv_...) could hand anyone every right, so it is merged only when
// `login` names a valid account of `host` that may delete data (BadLogin or
// NoPrivilege otherwise, with nothing written); other packages merge without
// one, and so does any package on a host that holds no account at all (after
// the base-data delete emptied the accounts, their backup brings them back).
// Unexpected failures raise.
RunOutcome RestorePackage(engine::Package& package, const std::string& packagePath,
                          const std::shared_ptr<db::Connection>& host,
                          const std::function<void()>& beforeImport = {},
                          const std::optional<RestoreLogin>& login = {});

// True when `package` (after its check) fills an account or privilege table.
bool FillsAccountTables(engine::Package& package);

}  // namespace tavex
