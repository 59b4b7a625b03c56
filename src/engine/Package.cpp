#include "engine/Package.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "engine/AttachedPackage.h"
#include "engine/DeleteStatement.h"
#include "engine/OwnTransaction.h"
#include "engine/PackageDefinition.h"
#include "engine/PackageFailure.h"
#include "engine/PackageGroup.h"
#include "engine/PackageImporter.h"
#include "engine/RowCopier.h"
#include "engine/SqlNames.h"

namespace tavex::engine {

namespace {

std::int64_t CountRows(db::Connection& connection, const std::string& sql) {
  return db::CountOf(connection, "SELECT COUNT(*) FROM (" + sql + ") AS counted");
}

std::vector<std::string> Names(const std::vector<db::Column>& columns) {
  std::vector<std::string> names;
  for (const auto& column : columns) names.push_back(column.name);
  return names;
}

// "CREATE TABLE <table> (...)" with `columns` and their types on `backend`;
// `table` comes quoted (and qualified where needed).
std::string CreateTableSql(const std::string& table, const std::vector<db::Column>& columns,
                           db::Backend backend) {
  std::string list;
  for (const auto& column : columns) {
    const std::string type = ColumnType(column, backend);
    list += (list.empty() ? "" : ", ") + QuoteName(column.name) + (type.empty() ? "" : " ") + type;
  }
  return "CREATE TABLE " + table + " (" + list + ")";
}

// Creates `table` in `target` with the columns of `rows` and copies every row
// into it, raising progress events. Returns the number of rows copied.
std::int64_t CopyIntoNewTable(db::Recordset& rows, db::Connection& target, const std::string& table,
                              ProgressEvents& progress) {
  target.Execute(CreateTableSql(QuoteName(table), rows.Columns(), target.GetBackend()));
  return CopyRows(rows, target, QuoteName(table), Names(rows.Columns()),
                  [&](std::int64_t done) { progress.Row(done); });
}

// Copies the rows of `sql` on `source` into a new table of the package
// attached to it, in one statement that SQLite runs by itself; every row
// passes through the counting function, which raises the progress events.
std::int64_t CopyIntoAttachedTable(db::Connection& source, const std::string& sql,
                                   const std::vector<db::Column>& columns, AttachedPackage& package,
                                   const std::string& table, ProgressEvents& progress) {
  const std::string target = package.Table(table);
  source.Execute(CreateTableSql(target, columns, source.GetBackend()));
  std::string names;
  std::string values;
  for (const auto& column : columns) {
    const std::string name = QuoteName(column.name);
    const std::string value = "tavex_step." + name;
    names += (names.empty() ? "" : ",") + name;
    values +=
        values.empty() ? std::string(db::kCountedRowFunction) + "(" + value + ")" : "," + value;
  }
  return source.ExecuteCountingRows("INSERT INTO " + target + " (" + names + ") SELECT " + values +
                                        " FROM (" + sql + ") AS tavex_step",
                                    {}, [&](std::int64_t done) { progress.Row(done); });
}

}  // namespace

Package::Package() = default;
Package::~Package() = default;

template <typename Body>
bool Package::Run(Body body) {
  return CatchInto(mErrors, [&](std::string& context) {
    if (!mSource || !mTarget)
      throw PackageFailure(kErrNotConnected, "no source or target connection");
    body(context);
  });
}

PackageDefinition Package::Define() const {
  PackageDefinition definition;
  definition.packageId = mPackageID;
  definition.description = mDescription;
  definition.sender = mSender;
  for (std::int32_t i = 1; i <= mExDatas.Count(); ++i) {
    const ExData& step = mExDatas.Item(i);
    if (PackageDefinition::IsReservedName(step.Table())) {
      throw PackageFailure(kErrDefinition, "reserved table name " + step.Table());
    }
    RequireSafeName(step.Table());
    // A second step into the same table keeps its rows apart in the package.
    std::string packageTable = step.Table();
    for (int n = 2;
         std::any_of(definition.steps.begin(), definition.steps.end(),
                     [&](const auto& s) { return EqualsNoCase(s.packageTable, packageTable); });
         ++n) {
      packageTable = step.Table() + "_" + std::to_string(n);
    }
    definition.steps.push_back({step.Caption(),
                                step.Sql(),
                                step.Table(),
                                packageTable,
                                step.Flag1(),
                                step.Flag2(),
                                0,
                                {step.Statements().begin(), step.Statements().end()}});
  }
  definition.actions.assign(mActions.begin(), mActions.end());
  // A package the receiving side would reject is not worth building.
  const auto filled = definition.FilledTables();
  for (const auto& step : definition.steps) {
    for (const auto& statement : step.statements) {
      if (statement.kind == kKindSource) continue;
      try {
        DeleteStatement::Parse(statement.sql, statement.kind, filled);
      } catch (const PackageFailure& failure) {
        throw PackageFailure(kErrDefinition, failure.what());
      }
    }
  }
  return definition;
}

void Package::Adopt(const PackageDefinition& definition) {
  mPackageID = definition.packageId;
  mDescription = definition.description;
  mSender = definition.sender;
  mExDatas.Clear();
  for (const auto& step : definition.steps) {
    ExData& exData = mExDatas.Add(step.caption, step.sql, step.table, step.flag1, step.flag2);
    for (const auto& s : step.statements)
      exData.Statements().Add(s.caption, s.sql, s.kind, s.extra);
  }
  mActions.Clear();
  for (const auto& a : definition.actions) mActions.Add(a.caption, a.sql, a.kind, a.extra);
}

bool Package::Export(bool, bool, std::int32_t) {
  return Run([&](std::string& context) {
    PackageDefinition definition = Define();
    db::Connection& source = *mSource;
    db::Connection& target = *mTarget;
    if (target.GetBackend() == db::Backend::Sqlite) {
      target.Query("PRAGMA journal_mode=OFF")->Next();
      target.Execute("PRAGMA synchronous=OFF");
    }
    ProgressEvents progress(mHandler, mPackageID,
                            static_cast<std::int32_t>(definition.steps.size()));
    std::vector<std::vector<db::Column>> columns;
    std::unique_ptr<AttachedPackage> attached;
    if (AttachedPackage::CanAttach(source, target)) {
      // Every query is prepared before the package is attached to the
      // source, so its table names can only mean the source's own tables.
      for (const auto& step : definition.steps) {
        context = step.caption;
        columns.push_back(source.Query(step.sql)->Columns());
      }
      context.clear();
      attached = AttachedPackage::TryAttach(source, target, AttachedPackage::Access::ReadWrite);
      if (attached) attached->WriteAsScratchFile();
    }
    // Deferred: it takes no lock until the package is first used through this
    // connection, so the source may write the attached package file first.
    OwnTransaction transaction(target);
    std::int32_t number = 0;
    for (auto& step : definition.steps) {
      context = step.caption;
      progress.StartStep(++number, step.caption, CountRows(source, step.sql));
      if (attached) {
        step.rowCount = CopyIntoAttachedTable(source, step.sql, columns[number - 1], *attached,
                                              step.packageTable, progress);
      } else {
        auto rows = source.Query(step.sql);
        step.rowCount = CopyIntoNewTable(*rows, target, step.packageTable, progress);
      }
      progress.FinishStep(step.rowCount);
    }
    attached.reset();
    context.clear();
    definition.Store(target);
    transaction.Commit();
    if (!mDeferSourceStatements) RunSourceStatements(context);
  });
}

bool Package::RunSourceStatements() {
  return Run([&](std::string& context) { RunSourceStatements(context); });
}

void Package::RunSourceStatements(std::string& context) {
  const auto run = [&](const Statement& statement) {
    if (statement.kind != kKindSource) return;
    context = statement.caption;
    mSource->Execute(statement.sql);
  };
  for (std::int32_t i = 1; i <= mExDatas.Count(); ++i) {
    for (const Statement& statement : mExDatas.Item(i).Statements()) run(statement);
  }
  for (const Statement& statement : mActions) run(statement);
}

Package::Staging Package::StageInto(PackageGroup& group) {
  bool fits = true;
  const bool staged = Run([&](std::string& context) {
    const PackageDefinition definition = PackageDefinition::Load(*mSource);
    definition.Verify(*mSource);
    Adopt(definition);
    fits = group.Fits(definition, *mSource, mScope);
    if (!fits) return;
    ProgressEvents progress(mHandler, mPackageID,
                            static_cast<std::int32_t>(definition.steps.size()));
    group.Stage(definition, *mSource, mScope, progress, context);
  });
  if (!staged) return Staging::Failed;
  return fits ? Staging::Staged : Staging::DoesNotFit;
}

bool Package::ExportTables(bool, bool, std::int32_t) {
  return Run([&](std::string& context) {
    db::Connection& source = *mSource;
    db::Connection& target = *mTarget;
    OwnTransaction transaction(target);
    ProgressEvents progress(mHandler, mPackageID, mExDatas.Count());
    for (std::int32_t i = 1; i <= mExDatas.Count(); ++i) {
      const ExData& step = mExDatas.Item(i);
      context = step.Caption();
      bool exists = true;
      try {
        TableColumns(target, step.Table());
      } catch (const db::DbError&) {
        exists = false;
      }
      if (exists) throw PackageFailure(kErrDefinition, "table " + step.Table() + " already exists");
      progress.StartStep(i, step.Caption(), CountRows(source, step.Sql()));
      auto rows = source.Query(step.Sql());
      progress.FinishStep(CopyIntoNewTable(*rows, target, step.Table(), progress));
    }
    transaction.Commit();
  });
}

bool Package::CheckPackage(std::shared_ptr<db::Connection> connection, std::int32_t) {
  mErrors.Clear();
  try {
    if (!connection) throw PackageFailure(kErrNotConnected, "no package connection");
    const PackageDefinition definition = PackageDefinition::Load(*connection);
    definition.Verify(*connection);
    Adopt(definition);
    return true;
  } catch (const PackageFailure& failure) {
    mErrors.Add(failure.Number(), failure.what());
  } catch (const db::DbError& error) {
    mErrors.Add(NumberOf(error, kErrDamagedPackage), error.what());
  }
  return false;
}

bool Package::ImportPackage(bool, bool, std::int32_t) {
  return Run([&](std::string& context) {
    const PackageDefinition definition = PackageDefinition::Load(*mSource);
    definition.Verify(*mSource);
    Adopt(definition);
    ProgressEvents progress(mHandler, mPackageID,
                            static_cast<std::int32_t>(definition.steps.size()));
    PackageImporter importer(definition, *mSource, *mTarget, progress, mScope);
    OwnTransaction transaction(*mTarget);
    ImportedRows written;
    for (std::size_t i = 0; i < definition.steps.size(); ++i) {
      const PackageDefinition::Step& step = definition.steps[i];
      if (mScope.skipStep && mScope.skipStep(step.caption)) continue;
      context = step.caption;
      written.emplace_back(step.table, importer.ImportStep(i));
    }
    context.clear();
    WriteRecords(*mTarget, mScope.records, written);
    transaction.Commit();
  });
}

}  // namespace tavex::engine
