#include "engine/PackageDefinition.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "engine/DeleteStatement.h"
#include "engine/Errors.h"
#include "engine/PackageFailure.h"
#include "engine/SqlNames.h"

namespace tavex::engine {

namespace {

constexpr const char* kInfoTable = "ExPackage_Info";
constexpr const char* kStepTable = "ExPackage_Step";
constexpr const char* kStatementTable = "ExPackage_Statement";
constexpr const char* kReservedPrefix = "ExPackage_";

[[noreturn]] void Damaged(const std::string& why) {
  throw PackageFailure(kErrDamagedPackage, "damaged package: " + why);
}

std::string Text(const db::Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (std::holds_alternative<std::monostate>(value)) return {};
  Damaged("unexpected value in the definition");
}

std::int64_t Number(const db::Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  if (const auto* real = std::get_if<double>(&value)) {
    const auto whole = static_cast<std::int64_t>(*real);
    if (static_cast<double>(whole) == *real) return whole;
  }
  Damaged("a number in the definition is not a whole number");
}

void StoreStatement(db::Connection& package, std::int64_t stepNo, std::int64_t seq,
                    const Statement& statement) {
  package.Execute(std::string("INSERT INTO ") + kStatementTable +
                      " (StepNo, Seq, Caption, StatementText, Kind, Extra) VALUES (?,?,?,?,?,?)",
                  {stepNo, seq, statement.caption, statement.sql, std::int64_t{statement.kind},
                   std::int64_t{statement.extra}});
}

// A database failure while reading the definition: the package's damage
// when the statement failed, else this machine's failure as it is.
[[noreturn]] void DamagedUnlessLocal(const db::DbError& error, const std::string& why) {
  if (error.Fault() != db::DbFault::Statement) throw error;
  Damaged(why);
}

// A package is data: its file holds plain tables only. A view or a virtual
// table would run what the sender wrote whenever its rows are read, a
// trigger or a computed column whenever they are written or read.
void VerifyPlainTables(db::Connection& package, const std::vector<PackageDefinition::Step>& steps) {
  std::vector<std::string> tables;
  try {
    auto rows = package.Query("SELECT type, name, rootpage FROM sqlite_schema");
    while (rows->Next()) {
      const std::string type = Text(rows->Get(0));
      const std::string name = Text(rows->Get(1));
      if (type == "index") continue;
      // A virtual table has no pages of its own.
      if (type != "table" || Number(rows->Get(2)) == 0) Damaged("not a plain table: " + name);
      tables.push_back(name);
    }
    for (const auto& step : steps) {
      const bool plain = std::any_of(tables.begin(), tables.end(), [&](const std::string& table) {
        return EqualsNoCase(table, step.packageTable);
      });
      if (!plain) Damaged("missing step table " + step.packageTable);
      auto columns = package.Query("SELECT COUNT(*) FROM pragma_table_xinfo(?) WHERE hidden<>0",
                                   {step.packageTable});
      if (columns->Next() && Number(columns->Get(0)) != 0) {
        Damaged("computed column in step table " + step.packageTable);
      }
    }
  } catch (const db::DbError& error) {
    DamagedUnlessLocal(error, std::string("unreadable schema: ") + error.what());
  }
}

}  // namespace

std::vector<std::string> PackageDefinition::FilledTables() const {
  std::vector<std::string> tables;
  for (const auto& step : steps) tables.push_back(step.table);
  return tables;
}

bool PackageDefinition::IsReservedName(const std::string& table) {
  return StartsWithNoCase(table, kReservedPrefix);
}

void PackageDefinition::Store(db::Connection& package) const {
  package.Execute(std::string("CREATE TABLE ") + kInfoTable + " (Name TEXT, Value TEXT)");
  package.Execute(std::string("CREATE TABLE ") + kStepTable +
                  " (StepNo INTEGER, Caption TEXT, SourceSql TEXT, TableName TEXT, "
                  "PackageTable TEXT, Flag1 INTEGER, Flag2 INTEGER, RowCount INTEGER)");
  package.Execute(std::string("CREATE TABLE ") + kStatementTable +
                  " (StepNo INTEGER, Seq INTEGER, Caption TEXT, StatementText TEXT, "
                  "Kind INTEGER, Extra INTEGER)");
  const std::string info = std::string("INSERT INTO ") + kInfoTable + " (Name, Value) VALUES (?,?)";
  package.Execute(info, {std::string("FormatVersion"), std::to_string(kFormatVersion)});
  package.Execute(info, {std::string("PackageID"), packageId});
  package.Execute(info, {std::string("Description"), description});
  if (!sender.empty()) package.Execute(info, {std::string("Sender"), sender});
  std::int64_t stepNo = 0;
  for (const auto& step : steps) {
    ++stepNo;
    package.Execute(std::string("INSERT INTO ") + kStepTable +
                        " (StepNo, Caption, SourceSql, TableName, PackageTable, Flag1, Flag2, "
                        "RowCount) VALUES (?,?,?,?,?,?,?,?)",
                    {stepNo, step.caption, step.sql, step.table, step.packageTable,
                     std::int64_t{step.flag1}, std::int64_t{step.flag2}, step.rowCount});
    std::int64_t seq = 0;
    for (const auto& statement : step.statements) StoreStatement(package, stepNo, ++seq, statement);
  }
  std::int64_t seq = 0;
  for (const auto& action : actions) StoreStatement(package, 0, ++seq, action);
}

PackageDefinition PackageDefinition::Load(db::Connection& package) {
  PackageDefinition definition;
  std::unique_ptr<db::Recordset> rows;
  try {
    rows = package.Query(std::string("SELECT Name, Value FROM ") + kInfoTable);
  } catch (const db::DbError& error) {
    DamagedUnlessLocal(error, "no package definition");
  }
  std::string version;
  while (rows->Next()) {
    const std::string name = Text(rows->Get(0));
    if (name == "FormatVersion") version = Text(rows->Get(1));
    if (name == "PackageID") definition.packageId = Text(rows->Get(1));
    if (name == "Description") definition.description = Text(rows->Get(1));
    if (name == "Sender") definition.sender = Text(rows->Get(1));
  }
  if (version != std::to_string(kFormatVersion))
    Damaged("unknown format version \"" + version + "\"");

  try {
    rows = package.Query(std::string("SELECT StepNo, Caption, SourceSql, TableName, PackageTable, "
                                     "Flag1, Flag2, RowCount FROM ") +
                         kStepTable + " ORDER BY StepNo");
    while (rows->Next()) {
      if (Number(rows->Get(0)) != static_cast<std::int64_t>(definition.steps.size()) + 1) {
        Damaged("steps out of order");
      }
      Step step;
      step.caption = Text(rows->Get(1));
      step.sql = Text(rows->Get(2));
      step.table = Text(rows->Get(3));
      step.packageTable = Text(rows->Get(4));
      step.flag1 = Number(rows->Get(5)) != 0;
      step.flag2 = Number(rows->Get(6)) != 0;
      step.rowCount = Number(rows->Get(7));
      definition.steps.push_back(std::move(step));
    }
    rows = package.Query(std::string("SELECT StepNo, Caption, StatementText, Kind, Extra FROM ") +
                         kStatementTable + " ORDER BY StepNo, Seq");
    while (rows->Next()) {
      const std::int64_t stepNo = Number(rows->Get(0));
      if (stepNo < 0 || stepNo > static_cast<std::int64_t>(definition.steps.size())) {
        Damaged("a statement of an unknown step");
      }
      Statement statement{Text(rows->Get(1)), Text(rows->Get(2)),
                          static_cast<std::int32_t>(Number(rows->Get(3))),
                          static_cast<std::int32_t>(Number(rows->Get(4)))};
      auto& list = stepNo == 0 ? definition.actions : definition.steps[stepNo - 1].statements;
      list.push_back(std::move(statement));
    }
  } catch (const db::DbError& error) {
    DamagedUnlessLocal(error, std::string("unreadable definition: ") + error.what());
  }
  return definition;
}

void PackageDefinition::Verify(db::Connection& package) const {
  VerifyPlainTables(package, steps);
  const std::vector<std::string> filled = FilledTables();
  for (const auto& step : steps) {
    if (IsReservedName(step.packageTable)) Damaged("step table " + step.packageTable);
    std::vector<db::Column> columns;
    std::int64_t count = -1;
    try {
      columns = TableColumns(package, step.packageTable);
      auto rows = package.Query("SELECT COUNT(*) FROM " + QuoteName(step.packageTable));
      if (rows->Next()) count = Number(rows->Get(0));
    } catch (const db::DbError& error) {
      DamagedUnlessLocal(error, "missing step table " + step.packageTable);
    }
    if (count != step.rowCount) {
      Damaged("step table " + step.packageTable + " holds " + std::to_string(count) +
              " rows instead of " + std::to_string(step.rowCount));
    }
    for (const auto& statement : step.statements) {
      if (statement.kind == kKindSource) continue;  // never runs on this side
      const auto parsed = DeleteStatement::Parse(statement.sql, statement.kind, filled);
      for (const auto& field : parsed.Fields()) {
        const bool known = std::any_of(columns.begin(), columns.end(), [&](const db::Column& c) {
          return EqualsNoCase(c.name, field);
        });
        if (!known) Damaged("placeholder {" + field + "} names no column of " + step.packageTable);
      }
    }
  }
  for (const auto& action : actions) {
    if (action.kind != kKindSource)
      Damaged("a package action of kind " + std::to_string(action.kind));
  }
}

}  // namespace tavex::engine
