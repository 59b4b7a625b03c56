#include "engine/PackageGroup.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "database/AsciiText.h"
#include "engine/AttachedPackage.h"
#include "engine/OwnTransaction.h"
#include "engine/PackageFailure.h"
#include "engine/RowCopier.h"
#include "engine/SqlNames.h"
#include "engine/StepColumns.h"

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
};

PackageGroup::PackageGroup(std::shared_ptr<db::Connection> target, std::string scratchFile)
    : mTarget(std::move(target)), mScratchFile(std::move(scratchFile)) {
  // The staged rows are read once, right after: written to a temporary
  // file they would cost a write and a read of every byte for nothing.
  if (mTarget->GetBackend() == db::Backend::Sqlite) mTarget->Execute("PRAGMA temp_store=MEMORY");
}

PackageGroup::~PackageGroup() {
  DropStaging();
  mScratch.reset();
  std::error_code ignored;
  std::filesystem::remove(mScratchFile, ignored);
}

db::Connection& PackageGroup::StagingDatabase() {
  if (mTarget->GetBackend() == db::Backend::Sqlite) return *mTarget;
  if (!mScratch) {
    std::filesystem::remove(mScratchFile);
    std::ofstream(mScratchFile).close();
    mScratch = db::OpenConnection("sqlite:" + mScratchFile);
    // A scratch file: nothing in it outlives the run.
    mScratch->Query("PRAGMA journal_mode=OFF")->Next();
    mScratch->Execute("PRAGMA synchronous=OFF");
    mScratch->Execute("PRAGMA temp_store=MEMORY");
  }
  return *mScratch;
}

std::size_t PackageGroup::Size() const { return mMembers.size(); }

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
  return mMembers.empty() || ShapeOf(definition, source) == mShape;
}

void PackageGroup::Stage(const PackageDefinition& definition, db::Connection& source,
                         const ImportScope& scope, ProgressEvents& progress, std::string& context) {
  db::Connection& staging = StagingDatabase();
  if (mMembers.empty()) {
    DropStaging();
    mShape = ShapeOf(definition, source);
    for (std::size_t i = 0; i < mShape.size(); ++i) {
      const StepColumns& columns = mShape[i].columns;
      staging.Execute("CREATE TEMP TABLE " + QuoteName(StageTable(i)) + " (" +
                      columns.Definitions(columns.targetNames, staging.GetBackend()) + ", " +
                      QuoteName(kPackageColumn) + " INTEGER)");
    }
  }
  const std::size_t number = mMembers.size();
  Member member{scope, {}, {}};
  member.scope.guards.clear();
  // The scratch file reads the package for the package's reader: it is
  // held to the same time limit.
  if (mScratch) mScratch->SetDeadline(source.Deadline());
  try {
    const auto attached =
        AttachedPackage::TryAttach(staging, source, AttachedPackage::Access::ReadOnly);
    for (std::size_t i = 0; i < definition.steps.size(); ++i) {
      const PackageDefinition::Step& step = definition.steps[i];
      const StepColumns& columns = mShape[i].columns;
      context = step.caption;
      member.beforeStep.push_back(OfKind(step, kKindBeforeStep));
      progress.StartStep(static_cast<std::int32_t>(i + 1), step.caption, step.rowCount);
      // The package's number is a parameter: the statement is the same for
      // every package of the group and prepared once.
      db::Params params{static_cast<std::int64_t>(number)};
      const std::string where = " WHERE 1=1" + GuardClause(FindRowGuard(scope, step.table), params);
      const std::string select = "SELECT " + StepColumns::List(columns.packageNames) + ", ? FROM ";
      std::vector<std::string> names = columns.targetNames;
      names.emplace_back(kPackageColumn);
      std::int64_t staged = 0;
      if (attached) {
        staged = staging.Execute("INSERT INTO " + QuoteName(StageTable(i)) + " (" +
                                     StepColumns::List(names) + ") " + select +
                                     attached->Table(step.packageTable) + where,
                                 params);
      } else {
        auto rows = source.Query(select + QuoteName(step.packageTable) + where, params);
        staged = CopyRows(*rows, staging, QuoteName(StageTable(i)), names,
                          [&](std::int64_t done) { progress.Row(done); });
      }
      member.written.emplace_back(step.table, staged);
      progress.FinishStep(staged);
    }
    context.clear();
  } catch (...) {
    if (mScratch) mScratch->SetDeadline(std::nullopt);
    Unstage(number);
    throw;
  }
  if (mScratch) mScratch->SetDeadline(std::nullopt);
  mMembers.push_back(std::move(member));
}

void PackageGroup::Unstage(std::size_t member) noexcept {
  for (std::size_t i = 0; i < mShape.size(); ++i) {
    try {
      StagingDatabase().Execute(
          "DELETE FROM " + QuoteName(StageTable(i)) + " WHERE " + QuoteName(kPackageColumn) + "=?",
          {static_cast<std::int64_t>(member)});
    } catch (const std::exception&) {
      // Rows left behind belong to no member: the merge reads only members'.
    }
  }
}

bool PackageGroup::Merge() {
  const bool merged = CatchInto(mErrors, [&](std::string& context) {
    OwnTransaction transaction(*mTarget);
    // PostgreSQL compiles a statement it deems costly to machine code first;
    // a group's deletes look costly (a row guard per incoming row) and so
    // spent more time in that compiler than in their work.
    if (mTarget->GetBackend() == db::Backend::Postgres) mTarget->Execute("SET LOCAL jit = off");
    for (std::size_t i = 0; i < mShape.size(); ++i) {
      context = mShape[i].caption;
      MergeStep(i);
    }
    context.clear();
    for (const Member& member : mMembers) {
      WriteRecords(*mTarget, member.scope.records, member.written);
    }
    transaction.Commit();
  });
  DropStaging();
  mMembers.clear();
  mShape.clear();
  return merged;
}

void PackageGroup::MergeStep(std::size_t index) {
  const StepShape& shape = mShape[index];
  const std::string stage = QuoteName(StageTable(index));
  if (mScratch) {
    // Every package's rows of the step in one copy.
    std::vector<std::string> names = shape.columns.targetNames;
    names.emplace_back(kPackageColumn);
    mTarget->Execute("CREATE TEMP TABLE " + stage + " (" +
                     shape.columns.Definitions(shape.columns.targetNames, mTarget->GetBackend()) +
                     ", " + QuoteName(kPackageColumn) + " INTEGER)");
    auto rows = mScratch->Query("SELECT " + StepColumns::List(names) + " FROM " + stage);
    CopyRows(*rows, *mTarget, stage, names, [](std::int64_t) {});
  }
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
    return member.written[index].second > 0;
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

void PackageGroup::DropStaging() noexcept {
  for (std::size_t i = 0; i < mShape.size(); ++i) {
    for (db::Connection* database : {mTarget.get(), mScratch.get()}) {
      if (database == nullptr) continue;
      try {
        database->Execute("DROP TABLE IF EXISTS " + QuoteName(StageTable(i)));
      } catch (const std::exception&) {
        // A temporary table goes with the connection at the latest.
      }
    }
  }
}

}  // namespace tavex::engine
