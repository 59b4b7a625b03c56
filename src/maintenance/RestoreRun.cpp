#include "engine/FSComprFile.h"
#include "i18n/TextTable.h"
#include "maintenance/DeleteRun.h"
#include "maintenance/MaintenanceRuns.h"
#include "maintenance/WorkFile.h"
#include "storage/AsciiText.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

constexpr TextRow<RestoreTexts> kRestoreRows[] = {
    {"Msg_Error", "错误：所选文件不是有效的数据库文件！", &RestoreTexts::Msg_Error},
    {"Msg_ImportFault", "导入数据失败!", &RestoreTexts::Msg_ImportFault},
    {"Msg_PasswordPrompt", "密码：", &RestoreTexts::Msg_PasswordPrompt},
};

const TextTable<RestoreTexts> kRestoreTexts({"frmRestore"}, kRestoreRows);

}  // namespace

RestoreTexts ReadRestoreTexts() { return kRestoreTexts.Read(); }

bool FillsAccountTables(engine::Package& package) {
  for (std::int32_t i = 1; i <= package.ExDatas().Count(); ++i) {
    if (StartsWithNoCase(package.ExDatas().Item(i).Table(), "pv_")) return true;
  }
  return false;
}

namespace {

// True unless the host holds no account at all: then nobody could pass the
// check, and restoring a backup of the accounts is the only way back after
// the base-data delete emptied them. A host whose accounts cannot be read
// counts as holding some.
bool HostHasAccounts(db::Connection& host) {
  bool has = true;
  IgnoreFailure([&] {
    const auto rows = host.Query("SELECT COUNT(*) FROM pv_User");
    has = !rows->Next() || rows->Get(std::size_t{0}) != db::Value{std::int64_t{0}};
  });
  return has;
}

}  // namespace

RunOutcome RestorePackage(engine::Package& package, const std::string& packagePath,
                          const std::shared_ptr<db::Connection>& host,
                          const std::function<void()>& beforeImport,
                          const std::optional<RestoreLogin>& login) {
  const WorkFile work("package.mdb");
  engine::FSComprFile unpacker;
  unpacker.SourceFile(packagePath);
  unpacker.TargetFile(work.Path());
  unpacker.Decompress();
  if (unpacker.ErrorCode() != engine::FSComprFile::kNoError) return RunOutcome::BadFile;

  const auto source = db::OpenConnection(db::PackageConnectionString(work.Path()));
  if (!package.CheckPackage(source, 0)) {
    source->Close();
    return RunOutcome::BadFile;
  }
  if (FillsAccountTables(package) && HostHasAccounts(*host)) {
    const DeleteRight right =
        login ? CheckDeleteRight(host, login->user, login->password) : DeleteRight::BadLogin;
    if (right != DeleteRight::Granted) {
      source->Close();
      return right == DeleteRight::BadLogin ? RunOutcome::BadLogin : RunOutcome::NoPrivilege;
    }
  }
  package.SourceConnection(source);
  package.TargetConnection(host);
  if (beforeImport) beforeImport();
  const bool imported = package.ImportPackage(true, true, 1);
  package.SourceConnection(nullptr);
  source->Close();
  if (imported) return RunOutcome::Done;
  return package.Errors().Count() > 0 ? RunOutcome::Failed : RunOutcome::Cancelled;
}

}  // namespace tavex
