#include "trust/Admission.h"

#include <algorithm>

#include "engine/PackageDefinition.h"
#include "engine/SqlNames.h"
#include "storage/AsciiText.h"
#include "trust/CheckTexts.h"

namespace tavex::trust {

namespace {

constexpr std::string_view kBranchColumn = "BranchID";

bool HasColumn(const std::vector<db::Column>& columns, std::string_view name) {
  return std::any_of(columns.begin(), columns.end(),
                     [&](const db::Column& column) { return EqualsNoCase(column.name, name); });
}

std::string Text(const db::Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&value)) return std::to_string(*real);
  return "NULL";
}

// The first value of `column` in the package table `table` that `violation`
// (a condition with its parameters) finds; nullopt when none does.
std::optional<std::string> FirstViolation(db::Connection& package, const std::string& table,
                                          const std::string& column, const std::string& violation,
                                          const db::Params& params) {
  auto rows = package.Query("SELECT " + engine::QuoteName(column) + " FROM " +
                                engine::QuoteName(table) + " WHERE " + violation + " LIMIT 1",
                            params);
  if (!rows->Next()) return std::nullopt;
  return Text(rows->Get(0));
}

// The rows of `table` that are `sender`'s, in the receiving database.
engine::OwnedRows SenderRows(const AllowedTable& table, const std::string& sender,
                             const std::vector<std::string>& knownSites) {
  if (table.keys.empty()) return {table.table, std::string(kBranchColumn), sender, false, {}};
  engine::OwnedRows rows{table.table, std::string(table.keys.front()), sender + "-", true, {}};
  for (const std::string& site : knownSites) {
    if (site != sender && site.starts_with(rows.value)) rows.notPrefixes.push_back(site + "-");
  }
  return rows;
}

// Refuses the step unless every row of its package table is `sender`'s: its
// keys as `owned` says, its BranchID (where the step carries one) the
// sender's identifier.
void RequireSenderRows(db::Connection& package, const engine::PackageDefinition::Step& step,
                       const AllowedTable& allowed, const engine::OwnedRows& owned,
                       const std::string& sender, const CheckTexts& texts) {
  const std::vector<db::Column> columns = engine::TableColumns(package, step.packageTable);
  const auto refuse = [&](const std::string& column, const std::string& value) {
    throw PackageRefused(texts.Msg_Check_NotOwned + step.table + "." + column + " = " + value);
  };
  const bool hasBranch = HasColumn(columns, kBranchColumn);
  const std::string_view ownerColumn = allowed.keys.empty() ? kBranchColumn : allowed.keys.front();
  if (!HasColumn(columns, ownerColumn)) throw PackageRefused(texts.Msg_Check_NoOwner + step.table);
  for (const std::string_view key : allowed.keys) {
    if (!HasColumn(columns, key)) continue;
    engine::OwnedRows keyRows = owned;
    keyRows.column = std::string(key);
    db::Params params;
    const std::string quoted = engine::QuoteName(key);
    const std::string violation =
        quoted + " IS NOT NULL AND NOT (" + engine::OwnedCondition(keyRows, params) + ")";
    if (auto value =
            FirstViolation(package, step.packageTable, keyRows.column, violation, params)) {
      refuse(keyRows.column, *value);
    }
  }
  if (hasBranch) {
    const std::string quoted = engine::QuoteName(kBranchColumn);
    if (auto value = FirstViolation(package, step.packageTable, std::string(kBranchColumn),
                                    quoted + " IS NULL OR " + quoted + "<>?", {sender})) {
      refuse(std::string(kBranchColumn), *value);
    }
  }
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
    RequireSenderRows(package, step, *allowed, owned, admitted.mSender, texts);
    if (engine::FindOwnedRows(admitted.mScope, owned.table) == nullptr) {
      admitted.mScope.push_back(owned);
    }
  }
  return admitted;
}

bool ImportAdmitted(engine::Package& package, const AdmittedPackage& admitted) {
  package.Scope(admitted.mScope);
  return package.ImportPackage(true, true, 1);
}

}  // namespace tavex::trust
