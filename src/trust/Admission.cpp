#include "trust/Admission.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "engine/PackageDefinition.h"
#include "engine/SqlNames.h"
#include "trust/CheckTexts.h"

namespace tavex::trust {

namespace {

constexpr std::string_view kBranchColumn = "BranchID";

bool HasColumn(const std::vector<db::Column>& columns, std::string_view name) {
  return std::any_of(columns.begin(), columns.end(),
                     [&](const db::Column& column) { return EqualsNoCase(column.name, name); });
}

std::string Text(const db::Value& value) {
  return std::holds_alternative<std::monostate>(value) ? "NULL" : db::ValueText(value);
}

// The rows of `table` that are `sender`'s, in the receiving database.
engine::OwnedRows SenderRows(const AllowedTable& table, const std::string& sender,
                             const std::vector<std::string>& knownSites) {
  if (table.owner.empty()) return {table.table, std::string(kBranchColumn), sender, false, {}};
  engine::OwnedRows rows{table.table, std::string(table.owner), sender + "-", true, {}};
  for (const std::string& site : knownSites) {
    if (site != sender && site.starts_with(rows.value)) rows.notPrefixes.push_back(site + "-");
  }
  return rows;
}

// The condition, over a package table, that `column` starts with `prefix`
// (which ends with "-"): compared byte by byte within the range of texts
// that start so, whatever collation the package declares, which reads no
// more than the column's own bytes.
std::string StartsWith(const std::string& column, const std::string& prefix, db::Params& params) {
  params.emplace_back(prefix);
  params.emplace_back(prefix.substr(0, prefix.size() - 1) + ".");  // "-" is followed by "."
  return column + " COLLATE BINARY >= ? AND " + column + " COLLATE BINARY < ?";
}

// The condition, over a package table, that `column` holds a key of the
// sender's as `owned` says.
std::string SendersKey(const engine::OwnedRows& owned, const std::string& column,
                       db::Params& params) {
  std::string condition = StartsWith(column, owned.value, params);
  for (const std::string& other : owned.notPrefixes) {
    condition += " AND NOT (" + StartsWith(column, other, params) + ")";
  }
  return condition;
}

// The guard that every row of `step`'s table in the package is `sender`'s:
// the key column that says whose a row is NULL (nobody's) or a key of the
// sender's as `owned` says, and BranchID (where the step carries it) the
// sender's identifier. Refuses a step whose rows cannot say whose they are.
engine::RowGuard SenderRowGuard(db::Connection& package,
                                const engine::PackageDefinition::Step& step,
                                const AllowedTable& allowed, const engine::OwnedRows& owned,
                                const std::string& sender, const CheckTexts& texts) {
  const std::vector<db::Column> columns = engine::TableColumns(package, step.packageTable);
  const std::string_view ownerColumn = allowed.owner.empty() ? kBranchColumn : allowed.owner;
  if (!HasColumn(columns, ownerColumn)) throw PackageRefused(texts.Msg_Check_NoOwner + step.table);

  engine::RowGuard guard{step.table, {}, {}, texts.Msg_Check_NotOwned, "CASE", {}};
  const auto add = [&](std::string_view column, const std::string& passes,
                       const db::Params& params) {
    guard.condition += (guard.condition.empty() ? "(" : " AND (") + passes + ")";
    guard.conditionParams.insert(guard.conditionParams.end(), params.begin(), params.end());
    // The first column that fails names the row.
    guard.shown +=
        " WHEN NOT (" + passes + ") THEN ? || ifnull(" + engine::QuoteName(column) + ", 'NULL')";
    guard.shownParams.insert(guard.shownParams.end(), params.begin(), params.end());
    guard.shownParams.emplace_back(step.table + "." + std::string(column) + " = ");
  };
  if (!allowed.owner.empty()) {
    const std::string quoted = engine::QuoteName(allowed.owner);
    db::Params params;
    const std::string senders = SendersKey(owned, quoted, params);
    add(allowed.owner, quoted + " IS NULL OR (" + senders + ")", params);
  }
  if (HasColumn(columns, kBranchColumn)) {
    const std::string quoted = engine::QuoteName(kBranchColumn);
    add(kBranchColumn, quoted + " IS NOT NULL AND " + quoted + " COLLATE BINARY = ?", {sender});
  }
  guard.shown += " END";
  return guard;
}

}  // namespace

AdmittedPackage Admit(db::Connection& package, const Expectation& expected) {
  const CheckTexts texts = ReadCheckTexts();
  const engine::PackageDefinition definition = engine::PackageDefinition::Load(package);
  const KindRules& rules = *expected.rules;

  AdmittedPackage admitted;
  admitted.mKind = rules.kind;
  if (rules.kind != PackageKind::Backup) {
    if (!definition.sender.empty() && !EqualsNoCase(definition.sender, expected.sender)) {
      throw PackageRefused(texts.Msg_Check_WrongSender + definition.sender);
    }
    // The keys carry the identifier as the sender wrote it.
    admitted.mSender = definition.sender.empty() ? expected.sender : definition.sender;
  }
  admitted.mTables = definition.FilledTables();

  for (const auto& step : definition.steps) {
    const AllowedTable* allowed = rules.Find(step.table);
    if (allowed == nullptr) throw PackageRefused(texts.Msg_Check_Table + step.table);
    for (const engine::Statement& statement : step.statements) {
      if (!StatementAllowed(*allowed, statement, admitted.mTables, admitted.mSender)) {
        throw PackageRefused(texts.Msg_Check_Statement + statement.sql);
      }
    }
    if (!rules.senderOwnsRows) continue;
    const engine::OwnedRows owned = SenderRows(*allowed, admitted.mSender, expected.knownSites);
    engine::RowGuard guard =
        SenderRowGuard(package, step, *allowed, owned, admitted.mSender, texts);
    if (engine::FindOwnedRows(admitted.mScope, owned.table) == nullptr) {
      admitted.mScope.owned.push_back(owned);
      if (!guard.condition.empty()) admitted.mScope.guards.push_back(std::move(guard));
    }
  }
  return admitted;
}

void RequireSenderRows(db::Connection& package, const AdmittedPackage& admitted) {
  const engine::PackageDefinition definition = engine::PackageDefinition::Load(package);
  for (const auto& step : definition.steps) {
    const engine::RowGuard* guard = engine::FindRowGuard(admitted.mScope, step.table);
    if (guard == nullptr) continue;
    db::Params params = guard->shownParams;
    params.insert(params.end(), guard->conditionParams.begin(), guard->conditionParams.end());
    auto rows =
        package.Query("SELECT " + guard->shown + " FROM " + engine::QuoteName(step.packageTable) +
                          " WHERE NOT (" + guard->condition + ") LIMIT 1",
                      params);
    if (rows->Next()) throw PackageRefused(guard->refusal + Text(rows->Get(0)));
  }
}

bool ImportAdmitted(engine::Package& package, const AdmittedPackage& admitted,
                    std::vector<engine::ReceiverRecord> records, engine::ImportScope receiver) {
  engine::ImportScope scope = admitted.mScope;
  scope.records = std::move(records);
  for (engine::ReceiverRecord& record : receiver.records)
    scope.records.push_back(std::move(record));
  for (engine::RowFilter& filter : receiver.filters) scope.filters.push_back(std::move(filter));
  scope.skipStep = std::move(receiver.skipStep);
  package.Scope(std::move(scope));
  return package.ImportPackage(true, true, 1);
}

engine::Package::Staging StageAdmitted(engine::PackageGroup& group, engine::Package& package,
                                       const AdmittedPackage& admitted,
                                       std::vector<engine::ReceiverRecord> records) {
  engine::ImportScope scope = admitted.mScope;
  scope.records = std::move(records);
  package.Scope(std::move(scope));
  return package.StageInto(group);
}

}  // namespace tavex::trust
