#include "engine/PackageImporter.h"

#include <algorithm>
#include <limits>

#include "database/AsciiText.h"
#include "engine/AttachedPackage.h"
#include "engine/DeleteStatement.h"
#include "engine/Errors.h"
#include "engine/PackageFailure.h"
#include "engine/RowCopier.h"
#include "engine/SqlNames.h"
#include "engine/StepColumns.h"

namespace tavex::engine {

namespace {

// The fewest rows a slice of a copy moves: a statement per handful of rows
// would cost more to run than its rows.
constexpr std::int64_t kMinSliceRows = 512;

// The temporary table of the incoming rows' placeholder values.
constexpr const char* kIncomingTable = "tavex_Incoming";
bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const auto& n) { return EqualsNoCase(n, name); });
}

}  // namespace

PackageImporter::PackageImporter(const PackageDefinition& definition, db::Connection& source,
                                 db::Connection& target, ProgressEvents& progress,
                                 const ImportScope& scope)
    : mDefinition(definition),
      mSource(source),
      mTarget(target),
      mProgress(progress),
      mScope(scope),
      mAttached(AttachedPackage::TryAttach(target, source, AttachedPackage::Access::ReadOnly)) {}

PackageImporter::~PackageImporter() = default;

std::int64_t PackageImporter::ImportStep(std::size_t index) {
  const PackageDefinition::Step& step = mDefinition.steps[index];

  // Every package column must have its receiving column.
  const StepColumns columns = MatchStepColumns(mTarget, mSource, step);

  const auto filled = mDefinition.FilledTables();
  for (const auto& statement : step.statements) {
    if (statement.kind != kKindBeforeStep) continue;
    db::Params params;
    const DeleteStatement parsed = DeleteStatement::Parse(statement.sql, statement.kind, filled);
    mTarget.Execute(parsed.Sql(params, RenderingFor(parsed)), params);
  }
  DeleteEarlierCopies(step, columns);

  mProgress.StartStep(static_cast<std::int32_t>(index + 1), step.caption, step.rowCount);
  const std::int64_t written =
      CopyRows(step, StepColumns::List(columns.packageNames), columns.targetNames);
  mProgress.FinishStep(written);
  return written;
}

void PackageImporter::DeleteEarlierCopies(const PackageDefinition::Step& step,
                                          const StepColumns& columns) {
  if (step.rowCount == 0) return;  // no incoming row, so no per-row statement runs
  const auto filled = mDefinition.FilledTables();
  std::vector<DeleteStatement> perRow;
  std::vector<std::string> fields;
  for (const auto& statement : step.statements) {
    if (statement.kind != kKindPerRow) continue;
    perRow.push_back(DeleteStatement::Parse(statement.sql, statement.kind, filled));
    for (const auto& field : perRow.back().Fields()) {
      if (!Contains(fields, field)) fields.push_back(field);
    }
  }
  if (perRow.empty()) return;

  if (!fields.empty()) {
    // The incoming rows' values of every placeholder field, typed like the
    // receiving column they are written to.
    const std::string names = StepColumns::List(fields);
    const std::string columnList = columns.Definitions(fields, mTarget.GetBackend());
    mTarget.Execute("CREATE TEMP TABLE " + QuoteName(kIncomingTable) + " (" + columnList + ")");
    const std::string distinct = "SELECT DISTINCT " + names + " FROM ";
    db::Params filterParams;
    const std::string filtered =
        " WHERE 1=1" + FilterClause(FindRowFilter(mScope, step.table), filterParams);
    if (mAttached) {
      mTarget.Execute("INSERT INTO " + QuoteName(kIncomingTable) + " (" + names + ") " + distinct +
                          mAttached->Table(step.packageTable) + filtered,
                      filterParams);
    } else {
      auto values = mSource.Query(distinct + QuoteName(step.packageTable) + filtered, filterParams);
      engine::CopyRows(*values, mTarget, QuoteName(kIncomingTable), fields, [](std::int64_t) {});
      // The planner's view of the keys' number, so the deletes hash them.
      if (mTarget.GetBackend() == db::Backend::Postgres) {
        mTarget.Execute("ANALYZE " + QuoteName(kIncomingTable));
      }
    }
  }
  for (const auto& statement : perRow) {
    db::Params params;
    mTarget.Execute(statement.SetSql(kIncomingTable, params, RenderingFor(statement)), params);
  }
  if (!fields.empty()) mTarget.Execute("DROP TABLE " + QuoteName(kIncomingTable));
}

DeleteStatement::Rendering PackageImporter::RenderingFor(const DeleteStatement& statement) const {
  DeleteStatement::Rendering rendering;
  rendering.table = [this](std::string_view table) { return HostTable(mTarget, table); };
  if (const OwnedRows* owned = FindOwnedRows(mScope, statement.Table())) {
    rendering.restriction = OwnedCondition(*owned, rendering.restrictionParams);
  }
  return rendering;
}

std::int64_t PackageImporter::CopyRows(const PackageDefinition::Step& step,
                                       const std::string& selectList,
                                       const std::vector<std::string>& targetNames) {
  std::int64_t done = 0;
  const RowGuard* guard = FindRowGuard(mScope, step.table);
  const RowFilter* filter = FindRowFilter(mScope, step.table);
  if (!mAttached) {
    db::Params params;
    const std::string guarded =
        " WHERE 1=1" + FilterClause(filter, params) + GuardClause(guard, params);
    auto rows = mSource.Query(
        "SELECT " + selectList + " FROM " + QuoteName(step.packageTable) + guarded, params);
    return engine::CopyRows(*rows, mTarget, HostTable(mTarget, step.table), targetNames,
                            [&](std::int64_t done) { mProgress.Row(done); });
  }
  if (step.rowCount == 0) return 0;
  std::string names;
  for (const auto& name : targetNames) names += (names.empty() ? "" : ",") + QuoteName(name);
  const std::string table = mAttached->Table(step.packageTable);
  db::Params guardParams;
  const std::string sql = "INSERT INTO " + HostTable(mTarget, step.table) + " (" + names +
                          ") SELECT " + selectList + " FROM " + table +
                          " WHERE rowid BETWEEN ? AND ?" + FilterClause(filter, guardParams) +
                          GuardClause(guard, guardParams);
  // Slices of about 1% of the rows (no fewer rows than it takes a statement
  // to be worth its own run), so progress and Cancel keep their pace
  // while SQLite moves the rows itself. Each slice ends at the rowid of its
  // last row and the next begins after it: a sender chooses the rowids, so
  // nothing is computed from their span.
  const std::string sliceEnd = "SELECT MAX(rowid) FROM (SELECT rowid FROM " + table +
                               " WHERE rowid >= ? ORDER BY rowid LIMIT ?)";
  const std::int64_t sliceRows = std::max<std::int64_t>(kMinSliceRows, step.rowCount / 100);
  for (std::int64_t low = std::numeric_limits<std::int64_t>::min();;) {
    auto end = mTarget.Query(sliceEnd, {low, sliceRows});
    const db::Value last = end->Next() ? end->Get(0) : db::Value();
    end.reset();
    const auto* high = std::get_if<std::int64_t>(&last);
    if (high == nullptr) break;  // no row left
    db::Params params{low, *high};
    params.insert(params.end(), guardParams.begin(), guardParams.end());
    done += mTarget.Execute(sql, params);
    mProgress.Row(done);
    if (*high == std::numeric_limits<std::int64_t>::max()) break;
    low = *high + 1;
  }
  return done;
}

}  // namespace tavex::engine
