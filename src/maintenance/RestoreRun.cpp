#include <algorithm>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "engine/FSComprFile.h"
#include "i18n/TextTable.h"
#include "maintenance/BackupDefinitions.h"
#include "maintenance/DeleteRun.h"
#include "maintenance/MaintenanceRuns.h"
#include "maintenance/WorkFile.h"
#include "storage/IgnoreFailure.h"
#include "trust/PackageIntake.h"

namespace tavex {

namespace {

constexpr TextRow<RestoreTexts> kRestoreRows[] = {
    {"Msg_Error", "错误：所选文件不是有效的数据库文件！", &RestoreTexts::Msg_Error},
    {"Msg_ImportFault", "导入数据失败!", &RestoreTexts::Msg_ImportFault},
    {"Msg_PasswordPrompt", "密码：", &RestoreTexts::Msg_PasswordPrompt},
};

const TextTable<RestoreTexts> kRestoreTexts({"frmRestore"}, kRestoreRows);

// What a backup may contain: the business and stock document backups, and
// every table that the base data and stock master backups empty and fill.
const trust::KindRules& BackupRules() {
  static const trust::KindRules rules = [] {
    std::vector<std::string> wholeTables;
    for (const BaseDataTable& table : kBaseDataTables) wholeTables.emplace_back(table.table);
    for (const char* table : kStockMasterTables) wholeTables.emplace_back(table);
    return trust::BackupKindRules(wholeTables);
  }();
  return rules;
}

// Accounts, privileges and the system's own settings: whoever writes them
// decides who may do what.
bool FillsGuardedTables(const trust::AdmittedPackage& package) {
  return std::any_of(package.Tables().begin(), package.Tables().end(), [](const std::string& t) {
    return StartsWithNoCase(t, "pv_") || StartsWithNoCase(t, "sys_");
  });
}

// True unless the host holds no account at all: then nobody could pass the
// check, and restoring a backup of the accounts is the only way back after
// the base-data delete emptied them. A host whose accounts cannot be read
// counts as holding some.
bool HostHasAccounts(db::Connection& host) {
  bool has = true;
  IgnoreFailure([&] { has = db::CountOf(host, "SELECT COUNT(*) FROM pv_User") != 0; });
  return has;
}

RunResult FromStep(const trust::IntakeStep& step, RunOutcome refused) {
  switch (step.outcome) {
    case trust::IntakeStep::Outcome::Refused:
      return {refused, step.reason};
    case trust::IntakeStep::Outcome::Cancelled:
      return {RunOutcome::Cancelled, {}};
    default:
      return {RunOutcome::Failed, step.reason};
  }
}

}  // namespace

RestoreTexts ReadRestoreTexts() { return kRestoreTexts.Read(); }

RunResult RestorePackage(engine::Package& package, const std::string& packagePath,
                         const std::shared_ptr<db::Connection>& host,
                         const std::function<void()>& beforeImport,
                         const std::optional<RestoreLogin>& login) {
  const WorkFile work("package.mdb");
  trust::PackageIntake intake(packagePath, work.Path(), trust::CurrentPackageLimits());
  engine::FSComprFile unpacker;
  trust::IntakeStep step = intake.Unpack(unpacker);
  // A package too large to unpack is refused as it is; any other that does
  // not unpack or pass the engine's check is no package file at all.
  if (unpacker.ErrorCode() == engine::FSComprFile::kTooLarge) {
    return FromStep(step, RunOutcome::Refused);
  }
  if (!step.Done()) return FromStep(step, RunOutcome::BadFile);
  // What unpacked but cannot be opened as a database is a failure no check
  // foresaw.
  step = intake.Open();
  if (!step.Done()) throw db::DbError(step.reason);
  step = intake.Check(package);
  if (!step.Done()) return FromStep(step, RunOutcome::BadFile);
  step = intake.Admit({&BackupRules(), {}, {}});
  if (!step.Done()) return FromStep(step, RunOutcome::Refused);
  if (FillsGuardedTables(*intake.Admitted()) && HostHasAccounts(*host)) {
    const DeleteRight right =
        login ? CheckDeleteRight(host, login->user, login->password) : DeleteRight::BadLogin;
    if (right != DeleteRight::Granted) {
      return {right == DeleteRight::BadLogin ? RunOutcome::BadLogin : RunOutcome::NoPrivilege, {}};
    }
  }
  if (beforeImport) beforeImport();
  step = intake.Import(package, host);
  if (step.Done()) return {RunOutcome::Done, {}};
  return FromStep(step, RunOutcome::Failed);
}

}  // namespace tavex
