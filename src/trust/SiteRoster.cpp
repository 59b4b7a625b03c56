#include "trust/SiteRoster.h"

#include <algorithm>

#include "engine/OwnTransaction.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"

namespace tavex::trust {

namespace {

constexpr const char* kTable = "tavex_Site";

}  // namespace

void SiteRoster::MakeTable() {
  if (storage::TableExists(mHost, kTable)) return;
  const bool own = !mHost.InTransaction();
  if (own) mHost.BeginTrans();
  try {
    mHost.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kTable +
                  " (SiteID TEXT NOT NULL PRIMARY KEY)");
    // What the host already holds names its sites; a host without bills
    // or a branch list simply has nothing to add.
    for (const char* source : {"bi_Bill", "dd_Branch"}) {
      IgnoreFailure([&] {
        mHost.Execute(std::string("INSERT INTO ") + kTable +
                      " (SiteID) SELECT DISTINCT BranchID FROM " + source +
                      " WHERE BranchID IS NOT NULL AND BranchID<>'' AND BranchID NOT IN (SELECT "
                      "SiteID FROM " +
                      kTable + ")");
      });
    }
    if (own) mHost.CommitTrans();
  } catch (...) {
    if (own) IgnoreFailure([&] { mHost.RollbackTrans(); });
    throw;
  }
}

std::vector<std::string> SiteRoster::Sites() {
  MakeTable();
  std::vector<std::string> sites;
  auto rows = mHost.Query(std::string("SELECT SiteID FROM ") + kTable);
  while (rows->Next()) {
    const db::Value value = rows->Get(0);
    if (const auto* site = std::get_if<std::string>(&value)) sites.push_back(*site);
  }
  return sites;
}

void SiteRoster::Add(const std::vector<std::string>& sites) {
  const std::vector<std::string> known = Sites();
  std::vector<std::string> added;
  for (const std::string& site : sites) {
    if (site.empty() || std::find(known.begin(), known.end(), site) != known.end() ||
        std::find(added.begin(), added.end(), site) != added.end()) {
      continue;
    }
    added.push_back(site);
  }
  if (added.empty()) return;
  // One transaction for a night's new senders: one each would wait for the
  // disk once per site. Another run may add one of them meanwhile.
  engine::OwnTransaction transaction(mHost);
  for (const std::string& site : added) {
    mHost.Execute(
        std::string("INSERT INTO ") + kTable + " (SiteID) VALUES (?) ON CONFLICT DO NOTHING",
        {site});
  }
  transaction.Commit();
}

}  // namespace tavex::trust
