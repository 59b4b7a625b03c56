#include <stdexcept>

#include "engine/FSComprFile.h"
#include "maintenance/HostFile.h"
#include "maintenance/MaintenanceRuns.h"
#include "maintenance/WorkFile.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

// One read snapshot of a PostgreSQL host for the length of a backup. SQLite
// is left alone: a read transaction there would hold the tills' writes back.
class Snapshot {
 public:
  explicit Snapshot(db::Connection& host) : mHost(host) {
    if (host.GetBackend() == db::Backend::Postgres && !host.InTransaction()) {
      host.BeginTrans(db::TransactionKind::Strict);
      mOwn = true;
    }
  }
  ~Snapshot() {
    if (mOwn) IgnoreFailure([&] { mHost.RollbackTrans(); });
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

 private:
  db::Connection& mHost;
  bool mOwn = false;
};

}  // namespace

RunOutcome RunBackup(engine::Package& package, const std::shared_ptr<db::Connection>& host,
                     const std::string& packagePath) {
  if (!host) throw std::runtime_error("no host database");
  RefuseHostFile(*host, packagePath);
  const WorkFile work("backup.mdb");
  storage::CreateEmptyDatabase(work.Path());
  const auto target = db::OpenConnection(db::PackageConnectionString(work.Path()));
  package.SourceConnection(host);
  package.TargetConnection(target);
  bool exported = false;
  {
    const Snapshot snapshot(*host);
    exported = package.Export(true, true, 1);
  }
  package.TargetConnection(nullptr);
  target->Close();
  if (!exported) {
    return package.Errors().Count() > 0 ? RunOutcome::Failed : RunOutcome::Cancelled;
  }
  engine::FSComprFile packer;
  packer.SourceFile(work.Path());
  packer.TargetFile(packagePath);
  packer.Compress();
  return packer.ErrorCode() == engine::FSComprFile::kNoError ? RunOutcome::Done
                                                             : RunOutcome::BadFile;
}

}  // namespace tavex
