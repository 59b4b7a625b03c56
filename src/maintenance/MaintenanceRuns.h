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
  // A restore of a package that is not a backup of this system: it fills a
  // table no backup fills, or carries a statement no backup writes.
  Refused,
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

// How a run ended, with the reason where the outcome alone does not say it
// (a refused restore, a failure of this machine while a package was
// unpacked or read).
struct RunResult {
  // Implicit: a run that has nothing to add answers its outcome.
  RunResult(RunOutcome outcome = RunOutcome::Failed, std::string reason = {})
      : outcome(outcome), reason(std::move(reason)) {}

  RunOutcome outcome;
  std::string reason;
};

// Merges the package file `packagePath` into `host`: unpacks it within the
// limits of "Octopus/MAIN.INI" into a private working file (removed on every
// path out; nothing is written beside the package), checks its definition
// (BadFile when unpacking or the check fails; Refused for a package larger
// than the limit; a file that unpacks to no database raises) and that it is
// one of the
// backups this system writes (Refused otherwise: the tables of the
// business, base and stock backups, each only with the deletes its backup
// writes), and imports it, all or nothing, reading it under the time limit.
// `beforeImport` runs between the checks and the import. A package that
// fills any account, privilege or system table (pv_..., sys_...) could hand
// anyone every right, so it is merged only when `login` names a valid
// account of `host` that may delete data (BadLogin or NoPrivilege
// otherwise, with nothing written); other packages merge without one, and
// so does any package on a host that holds no account at all (after the
// base-data delete emptied the accounts, their backup brings them back).
// Unexpected failures raise.
RunResult RestorePackage(engine::Package& package, const std::string& packagePath,
                         const std::shared_ptr<db::Connection>& host,
                         const std::function<void()>& beforeImport = {},
                         const std::optional<RestoreLogin>& login = {});

}  // namespace tavex
