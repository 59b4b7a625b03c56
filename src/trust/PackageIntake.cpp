#include "trust/PackageIntake.h"

#include "storage/IgnoreFailure.h"
#include "trust/CheckTexts.h"

namespace tavex::trust {

namespace {

using Outcome = IntakeStep::Outcome;

IntakeStep Refused(std::string reason) { return {Outcome::Refused, std::move(reason)}; }
IntakeStep Local(std::string reason) { return {Outcome::Local, std::move(reason)}; }

// A database failure as the step that met it answers.
IntakeStep FromDbError(const db::DbError& error) {
  return error.Fault() == db::DbFault::Local ? Local(error.what()) : Refused(error.what());
}

// The outcome of an engine operation that answered false.
IntakeStep FromEngine(const engine::Package& package) {
  if (package.Errors().AnyLocal()) return {Outcome::Local, {}};
  if (package.Errors().Count() == 0) return {Outcome::Cancelled, {}};
  return {Outcome::Refused, {}};
}

// Holds `connection` to `deadline` while it lives.
class DeadlineScope {
 public:
  DeadlineScope(db::Connection& connection, std::chrono::steady_clock::time_point deadline)
      : mConnection(connection) {
    mConnection.SetDeadline(deadline);
  }
  ~DeadlineScope() {
    IgnoreFailure([&] { mConnection.SetDeadline(std::nullopt); });
  }
  DeadlineScope(const DeadlineScope&) = delete;
  DeadlineScope& operator=(const DeadlineScope&) = delete;

 private:
  db::Connection& mConnection;
};

// Runs one step of the intake, turning what it raises into the step's
// outcome: a refusal is the package's, a database failure is whoever's
// DbFault says, anything else is this machine's.
template <class Step>
IntakeStep Guarded(Step&& step) noexcept {
  try {
    return step();
  } catch (const PackageRefused& refused) {
    return Refused(refused.what());
  } catch (const db::DbError& error) {
    return FromDbError(error);
  } catch (const std::exception& error) {
    return Local(error.what());
  }
}

}  // namespace

PackageIntake::PackageIntake(std::string packageFile, std::string databaseFile,
                             const PackageLimits& limits)
    : mPackageFile(std::move(packageFile)),
      mDatabaseFile(std::move(databaseFile)),
      mLimits(limits),
      mDeadline(std::chrono::steady_clock::now() + limits.timeLimit) {}

PackageIntake::~PackageIntake() { Close(); }

IntakeStep PackageIntake::Unpack(engine::FSComprFile& compressor) noexcept {
  const CheckTexts texts = ReadCheckTexts();
  compressor.SourceFile(mPackageFile);
  compressor.TargetFile(mDatabaseFile);
  compressor.Limits(mLimits.maxBytes, mLimits.reserveBytes);
  compressor.Decompress();
  const std::string size = std::to_string(compressor.DeclaredSize());
  switch (compressor.ErrorCode()) {
    case engine::FSComprFile::kNoError:
      return {};
    case engine::FSComprFile::kTooLarge:
      return Refused(texts.Msg_Check_TooLarge + size);
    case engine::FSComprFile::kNoSpace:
      return Local(texts.Msg_Check_NoSpace + size);
    case engine::FSComprFile::kSourceUnreadable:
      return Local(texts.Msg_Check_Unreadable + mPackageFile);
    case engine::FSComprFile::kTargetUnwritable:
      return Local(texts.Msg_Check_Unwritable + mDatabaseFile);
    default:
      return Refused({});  // damaged, or no package file at all
  }
}

IntakeStep PackageIntake::Open() noexcept {
  return Guarded([&] {
    Close();
    mDeadline = std::chrono::steady_clock::now() + mLimits.timeLimit;
    mDatabase = db::OpenPackageForReading(mDatabaseFile);
    mDatabase->SetDeadline(mDeadline);
    return IntakeStep{};
  });
}

IntakeStep PackageIntake::Check(engine::Package& package) noexcept {
  if (!mDatabase) return Local("no package database");
  return package.CheckPackage(mDatabase, 0) ? IntakeStep{} : FromEngine(package);
}

IntakeStep PackageIntake::Admit(const Expectation& expected) noexcept {
  return Guarded([&] {
    if (!mDatabase) return Local("no package database");
    mAdmitted = trust::Admit(*mDatabase, expected);
    return IntakeStep{};
  });
}

IntakeStep PackageIntake::CheckRows() noexcept {
  return Guarded([&] {
    if (!mDatabase || !mAdmitted) return Local("no package database");
    RequireSenderRows(*mDatabase, *mAdmitted);
    return IntakeStep{};
  });
}

IntakeStep PackageIntake::Import(engine::Package& package,
                                 const std::shared_ptr<db::Connection>& host,
                                 std::vector<engine::ReceiverRecord> records,
                                 engine::ImportScope receiver) noexcept {
  return Guarded([&] {
    if (!mDatabase || !mAdmitted || !host) return Local("no package or host database");
    // Where the host reads the package itself (SQLite attaches it), its
    // reading is the package's too.
    const DeadlineScope scope(*host, mDeadline);
    package.SourceConnection(mDatabase);
    package.TargetConnection(host);
    const bool imported =
        ImportAdmitted(package, *mAdmitted, std::move(records), std::move(receiver));
    package.SourceConnection(nullptr);
    return imported ? IntakeStep{} : FromEngine(package);
  });
}

IntakeStep PackageIntake::Stage(engine::PackageGroup& group, engine::Package& package,
                                const std::shared_ptr<db::Connection>& host,
                                std::vector<engine::ReceiverRecord> records, bool& fits) noexcept {
  fits = true;
  return Guarded([&] {
    if (!mDatabase || !mAdmitted || !host) return Local("no package or host database");
    const DeadlineScope scope(*host, mDeadline);
    package.SourceConnection(mDatabase);
    package.TargetConnection(host);
    const engine::Package::Staging staging =
        StageAdmitted(group, package, *mAdmitted, std::move(records));
    package.SourceConnection(nullptr);
    fits = staging != engine::Package::Staging::DoesNotFit;
    return staging == engine::Package::Staging::Failed ? FromEngine(package) : IntakeStep{};
  });
}

void PackageIntake::Close() noexcept {
  IgnoreFailure([&] {
    if (mDatabase && mDatabase->IsOpen()) mDatabase->Close();
  });
  mDatabase.reset();
}

}  // namespace tavex::trust
