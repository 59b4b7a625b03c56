#include "members/MemberBundleScope.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "engine/SqlNames.h"
#include "i18n/HostConnection.h"
#include "members/MemberBundle.h"
#include "storage/DatabaseHelpers.h"
#include "trust/CheckTexts.h"
#include "trust/SiteKeys.h"

namespace tavex {

namespace {

using Outcome = trust::IntakeStep::Outcome;

std::string CreateSentTable() {
  return std::string("CREATE TABLE IF NOT EXISTS ") + kMemberSentTable +
         " (PackageName TEXT NOT NULL, TableName TEXT NOT NULL, RowKey TEXT NOT NULL, "
         "PRIMARY KEY (PackageName, TableName, RowKey))";
}

// True when `signer` may sign a bundle for `site`.
bool HeadOfficeSigned(db::Connection& host, const trust::SignatureVerdict& verdict,
                      const std::string& site) {
  trust::KeyRegistry registry(host);
  if (!verdict.signature) return !registry.AnyTrusted();
  const std::string& signer = verdict.signature->signer;
  if (EqualsNoCase(signer, site)) return true;
  const std::optional<trust::SiteKeyEntry> entry = registry.Find(signer);
  return entry && entry->state == trust::KeyState::Relay;
}

// "([key] IS NULL OR [key] NOT IN (the keys))", the keys one parameter.
engine::RowFilter PassOver(const MemberTable& table, const std::set<std::string>& keys) {
  const std::string key = engine::QuoteName(table.key);
  nlohmann::json list = nlohmann::json::array();
  for (const std::string& value : keys) list.push_back(value);
  return {std::string(table.name),
          "(" + key + " IS NULL OR " + key + " NOT IN (SELECT value FROM json_each(?)))",
          {list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)}};
}

trust::IntakeStep AddScope(const engine::Package& package, const trust::SignatureVerdict& verdict,
                           const std::string& site, engine::ImportScope& scope) {
  const trust::CheckTexts texts = trust::ReadCheckTexts();
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  if (!HeadOfficeSigned(*host, verdict, site)) {
    return {Outcome::Refused,
            texts.Msg_Check_BundleSigner + (verdict.signature ? verdict.signature->signer : "")};
  }
  const std::optional<BundleListing> listing = ReadBundleListing(package.Description());
  if (!listing) return {Outcome::Refused, texts.Msg_Check_BundleListing + package.PackageID()};

  std::set<std::string> listed;
  for (const BundleOrigin& origin : *listing) {
    if (EqualsNoCase(origin.origin, site))
      listed.insert(origin.packages.begin(), origin.packages.end());
  }
  // A site's package names sort in the order it made them.
  const std::string newest = listed.empty() ? std::string() : *listed.rbegin();
  const auto taken = [&](const std::string& name) {
    return listed.contains(name) || (!newest.empty() && name <= newest);
  };

  scope.skipStep = [site](const std::string& caption) { return IsBundleStepOf(caption, site); };
  scope.records.push_back({CreateSentTable(), {}});
  if (!storage::TableExists(*host, kMemberSentTable)) return {};

  std::map<const MemberTable*, std::set<std::string>> unlisted;
  std::set<std::string> forgotten;
  auto rows =
      host->Query(std::string("SELECT PackageName, TableName, RowKey FROM ") + kMemberSentTable);
  while (rows->Next()) {
    const std::string name = db::ValueText(rows->Get(0));
    if (taken(name)) {
      forgotten.insert(name);
      continue;
    }
    if (const MemberTable* table = FindMemberTable(db::ValueText(rows->Get(1)))) {
      unlisted[table].insert(db::ValueText(rows->Get(2)));
    }
  }
  rows.reset();
  for (const auto& [table, keys] : unlisted) scope.filters.push_back(PassOver(*table, keys));
  for (const std::string& name : forgotten) {
    scope.records.push_back(
        {std::string("DELETE FROM ") + kMemberSentTable + " WHERE PackageName=?", {name}});
  }
  return {};
}

}  // namespace

void RecordMembersSent(db::Connection& host, const std::string& packageName) {
  if (!storage::TableExists(host, kMemberSentTable)) return;
  for (const MemberTable& table : MemberTables()) {
    const std::string key(table.key);
    host.Execute(std::string("INSERT INTO ") + kMemberSentTable +
                     " (PackageName, TableName, RowKey) SELECT DISTINCT ?, ?, " + key + " FROM " +
                     std::string(table.name) + "_Upload WHERE " + key + " IS NOT NULL",
                 {packageName, std::string(table.name)});
  }
}

trust::IntakeStep MemberBundleScope(const engine::Package& package, const trust::PackageName& named,
                                    const trust::SignatureVerdict& verdict, const std::string& site,
                                    engine::ImportScope& scope) noexcept {
  if (named.kind != trust::PackageKind::MemberBundle) return {};
  try {
    return AddScope(package, verdict, site, scope);
  } catch (const std::exception& failure) {
    return {Outcome::Local, failure.what()};
  }
}

}  // namespace tavex
