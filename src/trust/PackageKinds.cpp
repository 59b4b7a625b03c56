#include "trust/PackageKinds.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "engine/DeleteStatement.h"
#include "engine/PackageFailure.h"

namespace tavex::trust {

namespace {

using engine::kKindBeforeStep;
using engine::kKindPerRow;
using Condition = engine::DeleteStatement::Condition;

// The bill tables both bill builders fill (the bills not yet uploaded, and
// the bills of chosen days in a report package), with the deletes that
// replace the earlier copy of each incoming bill, reversed checkout and
// Octopus transaction.
std::vector<AllowedTable> BillTables() {
  return {
      {"bi_Bill",
       "BillID",
       {{kKindPerRow,
         "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM "
         "bi_BillItem WHERE BillID='{BillID}')"},
        {kKindPerRow, "DELETE FROM bi_BillItem WHERE BillID='{BillID}'"},
        {kKindPerRow, "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'"},
        {kKindPerRow, "DELETE FROM bi_Bill WHERE BillID='{BillID}'"}}},
      {"bi_BillPayment", "BillID", {}},
      {"bi_BillItem", "BillID", {}},
      {"bi_SubBill", "BillItemID", {}},
      {"bi_UnCheckBill",
       "BillID",
       {{kKindPerRow, "DELETE FROM bi_UnCheckBill WHERE UnCheckBillID='{UnCheckBillID}'"},
        {kKindPerRow, "DELETE FROM bi_UnCheckBillItem WHERE UnCheckBillID='{UnCheckBillID}'"},
        {kKindPerRow, "DELETE FROM bi_UnCheckBillPayment WHERE UnCheckBillID='{UnCheckBillID}'"}}},
      {"bi_UnCheckBillPayment", "BillID", {}},
      {"bi_UnCheckBillItem", "BillID", {}},
      {"bi_OctopusPayment",
       "BillID",
       {{kKindPerRow,
         "DELETE FROM bi_OctopusPayment WHERE BillID='{BillID}' AND CardID='{CardID}' AND "
         "DeviceID='{DeviceID}'"}}},
  };
}

KindRules BillRules() {
  KindRules rules{PackageKind::Bills, BillTables(), true};
  rules.tables.push_back({"bi_Shift",
                          "ShiftID",
                          {{kKindPerRow, "DELETE FROM bi_ShiftSum WHERE ShiftID='{ShiftID}'"},
                           {kKindPerRow, "DELETE FROM bi_ShiftLog WHERE ShiftID='{ShiftID}'"},
                           {kKindPerRow, "DELETE FROM bi_Shift WHERE ShiftID='{ShiftID}'"}}});
  rules.tables.push_back({"bi_ShiftSum", "ShiftID", {}});
  rules.tables.push_back({"bi_ShiftLog", "ShiftID", {}});
  return rules;
}

// Each day a report package carries replaces what the receiving side holds
// of the sending branch and that day; a stock document replaces its copy.
KindRules ReportRules() {
  KindRules rules{PackageKind::Reports, BillTables(), true};
  for (const char* table : {"rp_BillItem_Upload", "rp_BillPayment_Upload"}) {
    rules.tables.push_back({table,
                            {},
                            {{kKindBeforeStep, std::string("DELETE FROM ") + table +
                                                   " WHERE BillDate='{date}' AND "
                                                   "BranchID='{sender}' AND BranchName='{any}'"}}});
  }
  rules.tables.push_back(
      {"rp_Inventory_Upload",
       {},
       {{kKindBeforeStep,
         "DELETE FROM rp_Inventory_Upload WHERE BranchID='{sender}' AND BranchName='{any}'"}}});
  rules.tables.push_back({"st_Bill",
                          "BillID",
                          {{kKindPerRow, "DELETE FROM st_Bill WHERE BillID='{BillID}'"},
                           {kKindPerRow, "DELETE FROM st_BillItem WHERE BillID='{BillID}'"}}});
  rules.tables.push_back({"st_BillItem", "BillID", {}});
  rules.tables.push_back(
      {"st_BOM",
       {},
       {{kKindBeforeStep, "DELETE FROM st_BOM WHERE BillDate='{date}' AND BranchID='{sender}'"}}});
  return rules;
}

// Members live at every site: an incoming record replaces the one with its
// key, a member's cards all together. Nobody owns them.
KindRules MemberRules(PackageKind kind) {
  KindRules rules{kind, {}, false};
  for (const auto& [table, key] :
       std::initializer_list<std::pair<const char*, const char*>>{{"mb_Member", "MemberID"},
                                                                  {"mb_MemberCard", "MemberID"},
                                                                  {"mb_Consume", "ConsumeID"},
                                                                  {"mb_Summary", "SummaryID"},
                                                                  {"mb_GiftSend", "GiftSendID"}}) {
    rules.tables.push_back({table,
                            {},
                            {{kKindPerRow, std::string("DELETE FROM ") + table + " WHERE " + key +
                                               "='{" + key + "}'"}}});
  }
  return rules;
}

bool IsDateText(std::string_view text) {
  const auto digits = [&](std::size_t from, std::size_t count) {
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  const bool day = text.size() >= 10 && digits(0, 4) && text[4] == '-' && digits(5, 2) &&
                   text[7] == '-' && digits(8, 2);
  if (!day) return false;
  if (text.size() == 10) return true;
  return text.size() == 19 && text[10] == ' ' && digits(11, 2) && text[13] == ':' &&
         digits(14, 2) && text[16] == ':' && digits(17, 2);
}

// True when the literal `value` of a kind-4 statement may stand where the
// template wrote placeholder `field`.
bool LiteralFits(const std::string& field, const std::string& value, const std::string& sender) {
  if (field == "sender") return value == sender;
  if (field == "date") return IsDateText(value);
  return field == "any";
}

bool ConditionsMatch(const std::vector<Condition>& candidate, const std::vector<Condition>& allowed,
                     int kind, const std::string& sender);

bool ConditionMatches(const Condition& candidate, const Condition& allowed, int kind,
                      const std::string& sender) {
  using Type = Condition::Type;
  if (!EqualsNoCase(candidate.column, allowed.column)) return false;
  switch (allowed.type) {
    case Type::Literal:
      return candidate.type == Type::Literal && candidate.value == allowed.value;
    case Type::Placeholder:
      if (kind == kKindBeforeStep) {
        return candidate.type == Type::Literal &&
               LiteralFits(allowed.value, candidate.value, sender);
      }
      return candidate.type == Type::Placeholder && EqualsNoCase(candidate.value, allowed.value);
    case Type::InSelect:
      return candidate.type == Type::InSelect &&
             EqualsNoCase(candidate.select->column, allowed.select->column) &&
             EqualsNoCase(candidate.select->table, allowed.select->table) &&
             ConditionsMatch(candidate.select->where, allowed.select->where, kind, sender);
  }
  return false;
}

bool ConditionsMatch(const std::vector<Condition>& candidate, const std::vector<Condition>& allowed,
                     int kind, const std::string& sender) {
  if (candidate.size() != allowed.size()) return false;
  for (std::size_t i = 0; i < candidate.size(); ++i) {
    if (!ConditionMatches(candidate[i], allowed[i], kind, sender)) return false;
  }
  return true;
}

}  // namespace

const AllowedTable* KindRules::Find(std::string_view table) const {
  const auto found = std::find_if(tables.begin(), tables.end(), [&](const AllowedTable& allowed) {
    return EqualsNoCase(allowed.table, table);
  });
  return found == tables.end() ? nullptr : &*found;
}

const KindRules& ExchangeKindRules(PackageKind kind) {
  static const KindRules bills = BillRules();
  static const KindRules reports = ReportRules();
  static const KindRules members = MemberRules(PackageKind::Members);
  static const KindRules bundles = MemberRules(PackageKind::MemberBundle);
  switch (kind) {
    case PackageKind::Reports:
      return reports;
    case PackageKind::Members:
      return members;
    case PackageKind::MemberBundle:
      return bundles;
    case PackageKind::Bills:
    case PackageKind::Backup:
      break;
  }
  return bills;
}

namespace {

void AddKeys(const engine::DeleteStatement::Select& select,
             std::vector<storage::TableColumn>& keys);

// The first condition's column of a delete from (or a subquery of) `table`,
// and of the subquery it holds.
void AddKeys(const std::string& table, const std::vector<Condition>& where,
             std::vector<storage::TableColumn>& keys) {
  if (where.empty()) return;
  const Condition& first = where.front();
  const bool known = std::any_of(keys.begin(), keys.end(), [&](const storage::TableColumn& key) {
    return EqualsNoCase(key.table, table) && EqualsNoCase(key.column, first.column);
  });
  if (!known) keys.push_back({table, first.column});
  for (const Condition& condition : where) {
    if (condition.select) AddKeys(*condition.select, keys);
  }
}

void AddKeys(const engine::DeleteStatement::Select& select,
             std::vector<storage::TableColumn>& keys) {
  AddKeys(select.table, select.where, keys);
}

}  // namespace

const std::vector<storage::TableColumn>& ReceivingKeys() {
  static const std::vector<storage::TableColumn> keys = [] {
    std::vector<storage::TableColumn> found;
    for (const PackageKind kind :
         {PackageKind::Bills, PackageKind::Reports, PackageKind::Members}) {
      const KindRules& rules = ExchangeKindRules(kind);
      std::vector<std::string> filled;
      for (const AllowedTable& table : rules.tables) filled.push_back(table.table);
      for (const AllowedTable& table : rules.tables) {
        for (const AllowedStatement& statement : table.statements) {
          const engine::DeleteStatement parsed =
              engine::DeleteStatement::Parse(statement.sql, statement.kind, filled);
          AddKeys(parsed.Table(), parsed.Where(), found);
        }
      }
    }
    return found;
  }();
  return keys;
}

KindRules BackupKindRules(const std::vector<std::string>& wholeTables) {
  KindRules rules{PackageKind::Backup,
                  {{"bi_Bill",
                    {},
                    {{kKindPerRow, "DELETE FROM bi_Bill WHERE BillID='{BillID}'"},
                     {kKindPerRow, "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'"}}},
                   {"bi_BillPayment", {}, {}},
                   {"bi_BillItem",
                    {},
                    {{kKindPerRow, "DELETE FROM bi_BillItem WHERE BillItemID='{BillItemID}'"},
                     {kKindPerRow, "DELETE FROM bi_SubBill WHERE BillItemID='{BillItemID}'"}}},
                   {"bi_SubBill", {}, {}},
                   {"st_Bill",
                    {},
                    {{kKindPerRow, "DELETE FROM st_Bill WHERE BillID='{BillID}'"},
                     {kKindPerRow, "DELETE FROM st_BillItem WHERE BillID='{BillID}'"}}},
                   {"st_BillItem", {}, {}}},
                  false};
  for (const std::string& table : wholeTables) {
    if (rules.Find(table) == nullptr) {
      rules.tables.push_back({table, {}, {{kKindBeforeStep, "DELETE FROM " + table}}});
    }
  }
  return rules;
}

bool StatementAllowed(const AllowedTable& table, const engine::Statement& statement,
                      const std::vector<std::string>& filledTables, const std::string& sender) {
  if (statement.kind == engine::kKindSource) return true;  // never runs on the receiving side
  try {
    const auto candidate =
        engine::DeleteStatement::Parse(statement.sql, statement.kind, filledTables);
    for (const AllowedStatement& allowed : table.statements) {
      if (allowed.kind != statement.kind) continue;
      try {
        // Read as per-row, so that the template's "{...}" are placeholders;
        // a template naming a table the package does not fill cannot match.
        const auto shape = engine::DeleteStatement::Parse(allowed.sql, kKindPerRow, filledTables);
        if (EqualsNoCase(candidate.Table(), shape.Table()) &&
            ConditionsMatch(candidate.Where(), shape.Where(), statement.kind, sender)) {
          return true;
        }
      } catch (const engine::PackageFailure&) {
      }
    }
  } catch (const engine::PackageFailure&) {
  }
  return false;
}

}  // namespace tavex::trust
