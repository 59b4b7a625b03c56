#include "engine/PackageGroup.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "engine/AttachedPackage.h"
#include "engine/OwnTransaction.h"
#include "engine/PackageFailure.h"
#include "engine/RowCopier.h"
#include "engine/SqlNames.h"
#include "engine/StepColumns.h"
#include "storage/IgnoreFailure.h"

namespace tavex::engine {

namespace {

// The staged rows' column naming their package, and the temporary tables.
constexpr const char* kPackageColumn = "tavex_Package";
constexpr const char* kIncomingTable = "tavex_GroupIncoming";
constexpr const char* kIncomingIndex = "tavex_GroupIncomingKeys";
// An incoming table's column of a placeholder field is named with this
// prefix, so that no column of a receiving table shares its name and the
// deletes' correlated conditions read the receiving table's own.
constexpr const char* kFieldPrefix = "tavex_f_";

std::string StageTable(std::size_t step) { return "tavex_Stage" + std::to_string(step); }

std::vector<Statement> OfKind(const PackageDefinition::Step& step, int kind) {
  std::vector<Statement> statements;
  for (const auto& statement : step.statements) {
    if (statement.kind == kind) statements.push_back(statement);
  }
  return statements;
}

// A group's transaction writes more pages than SQLite's default page cache
// (2 MB) holds: SQLite would write them out to the database and read them
// back again and again before the commit writes them once more. The cache
// grows only as far as the transaction needs, and shrinks back after it.
class MergeCache {
 public:
  explicit MergeCache(db::Connection& target) : mTarget(target) {
    if (target.GetBackend() != db::Backend::Sqlite) return;
    mFormer = db::CountOf(target, "PRAGMA cache_size");
    target.Execute("PRAGMA cache_size=-" + std::to_string(kMergeCacheKiB));
  }
  ~MergeCache() {
    if (mFormer)
      IgnoreFailure([&] { mTarget.Execute("PRAGMA cache_size=" + std::to_string(*mFormer)); });
  }
  MergeCache(const MergeCache&) = delete;
  MergeCache& operator=(const MergeCache&) = delete;

 private:
  static constexpr int kMergeCacheKiB = 256 * 1024;
  db::Connection& mTarget;
  std::optional<std::int64_t> mFormer;
};

}  // namespace

struct PackageGroup::StepShape {
  std::string table;
  std::string caption;
  StepColumns columns;
  std::vector<std::string> perRow;  // the kind-5 statements' text
  std::size_t beforeStep = 0;       // how many kind-4 statements
  std::vector<std::string> filled;  // the tables the packages fill

  bool operator==(const StepShape& other) const {
    const auto same = [](const std::vector<std::string>& a, const std::vector<std::string>& b) {
      return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                        [](const auto& x, const auto& y) { return EqualsNoCase(x, y); });
    };
    return EqualsNoCase(table, other.table) &&
           same(columns.packageNames, other.columns.packageNames) && perRow == other.perRow &&
           beforeStep == other.beforeStep && same(filled, other.filled);
  }
};

struct PackageGroup::Member {
  ImportScope scope;
  std::vector<std::vector<Statement>> beforeStep;  // per step, the package's own
  ImportedRows written;
  std::string failure;  // the staging thread's: why its rows are not staged
};

// One step's rows copied from the attached package into its staging table.
struct PackageGroup::StepCopy {
  std::string insert;  // up to the package's table
  std::string table;   // the package's
  std::string where;
  db::Params params;
};

PackageGroup::PackageGroup(std::shared_ptr<db::Connection> target, std::string scratchFile)
    : mTarget(std::move(target)), mScratchFile(std::move(scratchFile)) {
  // The incoming keys are read once, right after: written to a temporary
  // file they would cost a write and a read of every byte for nothing.
  if (mTarget->GetBackend() == db::Backend::Sqlite) mTarget->Execute("PRAGMA temp_store=MEMORY");
}

PackageGroup::~PackageGroup() {
  IgnoreFailure([&] { mStaging.Wait(); });
  DropTargetStaging();
  mScratch.reset();
  std::error_code ignored;
  std::filesystem::remove(mScratchFile, ignored);
}

db::Connection& PackageGroup::Scratch() {
  if (!mScratch) {
    std::filesystem::remove(mScratchFile);
    std::ofstream(mScratchFile).close();
    mScratch = db::OpenConnection("sqlite:" + mScratchFile);
    // A scratch file: nothing in it outlives the run.
    mScratch->Query("PRAGMA journal_mode=OFF")->Next();
    mScratch->Execute("PRAGMA synchronous=OFF");
  }
  return *mScratch;
}

std::vector<PackageGroup::StepShape> PackageGroup::ShapeOf(const PackageDefinition& definition,
                                                           db::Connection& source) const {
  std::vector<StepShape> shape;
  for (const auto& step : definition.steps) {
    std::vector<std::string> perRow;
    for (const auto& statement : OfKind(step, kKindPerRow)) perRow.push_back(statement.sql);
    // The receiving tables do not change while packages merge: each is
    // read once.
    const std::string key = AsciiLower(step.table);
    auto known = mReceiving.find(key);
    if (known == mReceiving.end()) {
      known = mReceiving.emplace(key, MatchStepColumns(*mTarget, source, step).receiving).first;
    }
    shape.push_back({step.table, step.caption,
                     MatchStepColumns(*mTarget, source, step, &known->second), std::move(perRow),
                     OfKind(step, kKindBeforeStep).size(), definition.FilledTables()});
  }
  return shape;
}

bool PackageGroup::Fits(const PackageDefinition& definition, db::Connection& source,
                        const ImportScope& scope) const {
  if (scope.skipStep || !scope.filters.empty()) return false;
  if (AttachedPackage::AttachableFile(source).empty()) return false;
  return mMembers.empty() || ShapeOf(definition, source) == mShape;
}

void PackageGroup::Stage(const PackageDefinition& definition, db::Connection& source,
                         const ImportScope& scope, ProgressEvents& progress, std::string& context) {
  const std::string file = AttachedPackage::AttachableFile(source);
  if (file.empty()) throw PackageFailure(kErrUnexpected, "the package is no file to attach");
  Scratch();
  std::vector<std::string> create;
  if (mMembers.empty()) {
    DropTargetStaging();
    mShape = ShapeOf(definition, source);
    for (std::size_t i = 0; i < mShape.size(); ++i) {
      const StepColumns& columns = mShape[i].columns;
      create.push_back("DROP TABLE IF EXISTS " + QuoteName(StageTable(i)));
      create.push_back("CREATE TABLE " + QuoteName(StageTable(i)) + " (" +
                       columns.Definitions(columns.targetNames, db::Backend::Sqlite) + ", " +
                       QuoteName(kPackageColumn) + " INTEGER)");
    }
  }
  const std::size_t number = mMembers.size();
  Member member{scope, {}, {}, {}};
  member.scope.guards.clear();
  std::vector<StepCopy> copies;
  for (std::size_t i = 0; i < definition.steps.size(); ++i) {
    const PackageDefinition::Step& step = definition.steps[i];
    const StepColumns& columns = mShape[i].columns;
    context = step.caption;
    member.beforeStep.push_back(OfKind(step, kKindBeforeStep));
    // The package's number is a parameter: the statement is the same for
    // every package of the group and prepared once.
    StepCopy copy{{}, step.packageTable, {}, {static_cast<std::int64_t>(number)}};
    copy.where = " WHERE 1=1" + GuardClause(FindRowGuard(scope, step.table), copy.params);
    std::vector<std::string> names = columns.targetNames;
    names.emplace_back(kPackageColumn);
    copy.insert = "INSERT INTO " + QuoteName(StageTable(i)) + " (" + StepColumns::List(names) +
                  ") SELECT " + StepColumns::List(columns.packageNames) + ", ? FROM ";
    copies.push_back(std::move(copy));
    // The checked package holds exactly the rows its definition counts; a
    // row the guard refuses fails the whole package, not the count.
    progress.StartStep(static_cast<std::int32_t>(i + 1), step.caption, step.rowCount);
    progress.FinishStep(step.rowCount);
    member.written.emplace_back(step.table, step.rowCount);
  }
  context.clear();
  Member& added = mMembers.emplace_back(std::move(member));
  mStaging.Post([this, number, create = std::move(create), file, copies = std::move(copies),
                 deadline = source.Deadline(),
                 &added] { StageRows(number, added, create, file, copies, deadline); });
}

void PackageGroup::StageRows(
    std::size_t number, Member& member, const std::vector<std::string>& create,
    const std::string& file, const std::vector<StepCopy>& steps,
    std::optional<std::chrono::steady_clock::time_point> deadline) noexcept {
  db::Connection& scratch = *mScratch;
  class Errors errors;
  // The scratch file reads the package for the package's reader: it is held
  // to the same time limit.
  const bool staged = CatchInto(errors, [&](std::string&) {
    for (const std::string& statement : create) scratch.Execute(statement);
    scratch.SetDeadline(deadline);
    const auto attached = AttachedPackage::Attach(scratch, file, AttachedPackage::Access::ReadOnly);
    for (const StepCopy& step : steps) {
      scratch.Execute(step.insert + attached->Table(step.table) + step.where, step.params);
    }
  });
  IgnoreFailure([&] { scratch.SetDeadline(std::nullopt); });
  if (staged) return;
  member.failure = errors.Count() > 0 ? errors.Item(1).Description() : "staging stopped";
  // The merge reads only the rows of packages whose staging ended well: any
  // left behind are only in the way.
  for (std::size_t i = 0; i < steps.size(); ++i) {
    IgnoreFailure([&] {
      scratch.Execute(
          "DELETE FROM " + QuoteName(StageTable(i)) + " WHERE " + QuoteName(kPackageColumn) + "=?",
          {static_cast<std::int64_t>(number)});
    });
  }
}

std::vector<std::string> PackageGroup::FinishStaging() {
  mStaging.Wait();
  std::vector<std::string> failures;
  for (const Member& member : mMembers) failures.push_back(member.failure);
  return failures;
}

bool PackageGroup::Merge() {
  const bool merged = CatchInto(mErrors, [&](std::string& context) {
    const std::vector<std::string> failures = FinishStaging();
    if (std::all_of(failures.begin(), failures.end(), [](const auto& f) { return !f.empty(); })) {
      return;
    }
    // SQLite reads the staged rows from the scratch file itself; another
    // target has them copied over (MergeStep). Detached once the
    // transaction has ended.
    std::unique_ptr<AttachedPackage> scratch;
    if (AttachedPackage::CanAttach(*mTarget, Scratch())) {
      scratch = AttachedPackage::Attach(*mTarget, mScratchFile, AttachedPackage::Access::ReadOnly);
    }
    const MergeCache cache(*mTarget);
    OwnTransaction transaction(*mTarget);
    // PostgreSQL compiles a statement it deems costly to machine code first;
    // a group's deletes look costly (a row guard per incoming row) and so
    // spent more time in that compiler than in their work.
    if (mTarget->GetBackend() == db::Backend::Postgres) mTarget->Execute("SET LOCAL jit = off");
    for (std::size_t i = 0; i < mShape.size(); ++i) {
      context = mShape[i].caption;
      MergeStep(i, scratch ? scratch->Table(StageTable(i)) : CopyStaged(i));
    }
    context.clear();
    for (const Member& member : mMembers) {
      if (member.failure.empty()) WriteRecords(*mTarget, member.scope.records, member.written);
    }
    transaction.Commit();
  });
  DropTargetStaging();
  mMembers.clear();
  mShape.clear();
  return merged;
}

std::string PackageGroup::CopyStaged(std::size_t index) {
  const StepShape& shape = mShape[index];
  const std::string stage = QuoteName(StageTable(index));
  std::vector<std::string> names = shape.columns.targetNames;
  names.emplace_back(kPackageColumn);
  mTarget->Execute("CREATE TEMP TABLE " + stage + " (" +
                   shape.columns.Definitions(shape.columns.targetNames, mTarget->GetBackend()) +
                   ", " + QuoteName(kPackageColumn) + " INTEGER)");
  auto rows = Scratch().Query("SELECT " + StepColumns::List(names) + " FROM " + stage);
  CopyRows(*rows, *mTarget, stage, names, [](std::int64_t) {});
  return stage;
}

void PackageGroup::MergeStep(std::size_t index, const std::string& stage) {
  const StepShape& shape = mShape[index];
  DeleteStatement::Rendering rendering;
  rendering.table = [this](std::string_view table) { return HostTable(*mTarget, table); };
  const auto restrictionOf = [&](const Member& member, const DeleteStatement& statement) {
    DeleteStatement::Restriction restriction;
    if (const OwnedRows* owned = FindOwnedRows(member.scope, statement.Table())) {
      restriction.condition = OwnedCondition(*owned, restriction.params);
    }
    return restriction;
  };

  // Each package's kind-4 statements carry its own literals.
  for (const Member& member : mMembers) {
    if (!member.failure.empty()) continue;
    for (const Statement& statement : member.beforeStep[index]) {
      const DeleteStatement parsed =
          DeleteStatement::Parse(statement.sql, kKindBeforeStep, shape.filled);
      DeleteStatement::Rendering own = rendering;
      const DeleteStatement::Restriction restriction = restrictionOf(member, parsed);
      own.restriction = restriction.condition;
      own.restrictionParams = restriction.params;
      db::Params params;
      mTarget->Execute(parsed.Sql(params, own), params);
    }
  }
  const bool anyRows = std::any_of(mMembers.begin(), mMembers.end(), [&](const Member& member) {
    return member.failure.empty() && member.written[index].second > 0;
  });
  if (!anyRows) return;

  if (!shape.perRow.empty()) {
    std::vector<DeleteStatement> perRow;
    std::vector<std::string> fields;
    for (const auto& sql : shape.perRow) {
      perRow.push_back(DeleteStatement::Parse(sql, kKindPerRow, shape.filled));
      for (const auto& field : perRow.back().Fields()) {
        const bool known = std::any_of(fields.begin(), fields.end(),
                                       [&](const auto& f) { return EqualsNoCase(f, field); });
        if (!known) fields.push_back(field);
      }
    }
    // Every package's distinct placeholder values, with its number.
    std::vector<std::string> incoming;
    std::vector<std::string> staged;
    for (const auto& field : fields) {
      incoming.push_back(kFieldPrefix + field);
      staged.push_back(shape.columns.TargetOf(field));
    }
    incoming.emplace_back(kPackageColumn);
    staged.emplace_back(kPackageColumn);
    const std::string definitions =
        fields.empty()
            ? std::string()
            : shape.columns.Definitions(fields, mTarget->GetBackend(), kFieldPrefix) + ", ";
    mTarget->Execute("CREATE TEMP TABLE " + QuoteName(kIncomingTable) + " (" + definitions +
                     QuoteName(kPackageColumn) + " INTEGER)");
    mTarget->Execute("INSERT INTO " + QuoteName(kIncomingTable) + " (" +
                     StepColumns::List(incoming) + ") SELECT DISTINCT " +
                     StepColumns::List(staged) + " FROM " + stage);
    if (!fields.empty()) {
      std::vector<std::string> keys(incoming.begin(), incoming.end() - 1);
      mTarget->Execute("CREATE INDEX " + QuoteName(kIncomingIndex) + " ON " +
                       QuoteName(kIncomingTable) + " (" + StepColumns::List(keys) + ")");
    }
    if (mTarget->GetBackend() == db::Backend::Postgres) {
      mTarget->Execute("ANALYZE " + QuoteName(kIncomingTable));
    }
    DeleteStatement::Rendering grouped = rendering;
    grouped.field = [](std::string_view field) {
      return QuoteName(kFieldPrefix + std::string(field));
    };
    for (const DeleteStatement& statement : perRow) {
      std::vector<DeleteStatement::Restriction> restrictions;
      for (const Member& member : mMembers)
        restrictions.push_back(restrictionOf(member, statement));
      db::Params params;
      mTarget->Execute(
          statement.GroupSql(kIncomingTable, kPackageColumn, restrictions, params, grouped),
          params);
    }
    mTarget->Execute("DROP TABLE " + QuoteName(kIncomingTable));
  }
  const std::string names = StepColumns::List(shape.columns.targetNames);
  mTarget->Execute("INSERT INTO " + HostTable(*mTarget, shape.table) + " (" + names + ") SELECT " +
                   names + " FROM " + stage);
}

void PackageGroup::DropTargetStaging() noexcept {
  for (std::size_t i = 0; i < mShape.size(); ++i) {
    IgnoreFailure([&] { mTarget->Execute("DROP TABLE IF EXISTS " + QuoteName(StageTable(i))); });
  }
}

}  // namespace tavex::engine
