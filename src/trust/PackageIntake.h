#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "database/Connection.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "trust/Admission.h"
#include "trust/PackageLimits.h"

namespace tavex::trust {

// How one step of taking in a package went, and whose the failure is.
struct IntakeStep {
  enum class Outcome {
    Done,
    // The package itself is at fault (damaged, too large, refused by a
    // check, too slow, a statement the receiving database refuses): it is
    // filed and never tried again.
    Refused,
    // This machine is (no free space, a file or the database that cannot be
    // written, the database locked, the connection lost): the package is
    // sound as far as anyone knows, and waits to be tried again.
    Local,
    // Someone stopped the merge; the package waits too.
    Cancelled,
  };
  Outcome outcome = Outcome::Done;
  // Why, for Refused and Local; a failure the engine reported is in the
  // package's Errors instead, and this is empty.
  std::string reason;

  bool Done() const { return outcome == Outcome::Done; }
};

// Takes in one received package file for a receiver that reports every step
// itself (the download, the relay, the restore): unpacks it within the
// limits, opens it read-only, checks it with the engine and with the trust
// rules, and merges it. Every read of the package, and the merge into a
// SQLite host that reads it, stops at the package's time limit, which runs
// from Open. Nothing is thrown: each step answers how it went.
class PackageIntake {
 public:
  // `packageFile` is the received file; its database is unpacked to
  // `databaseFile`, which the caller removes when done.
  PackageIntake(std::string packageFile, std::string databaseFile, const PackageLimits& limits);
  ~PackageIntake();
  PackageIntake(const PackageIntake&) = delete;
  PackageIntake& operator=(const PackageIntake&) = delete;

  IntakeStep Unpack(engine::FSComprFile& compressor) noexcept;
  IntakeStep Open() noexcept;
  // The engine's check of the stored definition (CheckPackage); its errors
  // stay in `package`.
  IntakeStep Check(engine::Package& package) noexcept;
  IntakeStep Admit(const Expectation& expected) noexcept;
  // Reads every row against the rule that it is its sender's, for a
  // receiver that forwards the package rather than merging it (the merge
  // holds its rows to the rule as it reads them).
  IntakeStep CheckRows() noexcept;
  // Merges the admitted package into `host` through `package`, writing
  // `records` with it, and taking only the part `receiver` leaves (see
  // ImportAdmitted); its errors stay in `package`.
  IntakeStep Import(engine::Package& package, const std::shared_ptr<db::Connection>& host,
                    std::vector<engine::ReceiverRecord> records = {},
                    engine::ImportScope receiver = {}) noexcept;

  // Stages the admitted package into `group`, whose target is `host`,
  // through `package`, `records` to be written when the group merges (see
  // StageAdmitted). Done with `fits` false when the package cannot join the
  // group: nothing is staged.
  IntakeStep Stage(engine::PackageGroup& group, engine::Package& package,
                   const std::shared_ptr<db::Connection>& host,
                   std::vector<engine::ReceiverRecord> records, bool& fits) noexcept;

  // The opened package database; null before Open and after Close.
  const std::shared_ptr<db::Connection>& Database() const { return mDatabase; }
  // The package as the checks admitted it; nullopt before Admit succeeded.
  const std::optional<AdmittedPackage>& Admitted() const { return mAdmitted; }

  // Closes the package database; nothing is thrown.
  void Close() noexcept;

 private:
  std::string mPackageFile;
  std::string mDatabaseFile;
  PackageLimits mLimits;
  std::chrono::steady_clock::time_point mDeadline;
  std::shared_ptr<db::Connection> mDatabase;
  std::optional<AdmittedPackage> mAdmitted;
};

}  // namespace tavex::trust
