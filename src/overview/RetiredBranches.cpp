#include "overview/RetiredBranches.h"

#include "database/Values.h"
#include "storage/IgnoreFailure.h"
#include "storage/LocalTime.h"

namespace tavex {

namespace {

constexpr const char* kTable = "tavex_RetiredBranch";

void MakeTable(db::Connection& host) {
  host.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kTable +
               " (SiteID TEXT NOT NULL PRIMARY KEY, RetiredAt TEXT NOT NULL)");
}

}  // namespace

void RetireBranch(db::Connection& host, const std::string& site) {
  MakeTable(host);
  host.BeginTrans();
  try {
    host.Execute(std::string("DELETE FROM ") + kTable + " WHERE SiteID=?", {site});
    host.Execute(std::string("INSERT INTO ") + kTable + " (SiteID, RetiredAt) VALUES (?,?)",
                 {site, NowText()});
    host.CommitTrans();
  } catch (...) {
    IgnoreFailure([&] { host.RollbackTrans(); });
    throw;
  }
}

std::map<std::string, std::string> RetiredBranches(db::Connection& host) {
  MakeTable(host);
  std::map<std::string, std::string> retired;
  auto rows = host.Query(std::string("SELECT SiteID, RetiredAt FROM ") + kTable);
  while (rows->Next()) {
    retired[db::ValueText(rows->Get(std::size_t{0}))] = db::ValueText(rows->Get(std::size_t{1}));
  }
  return retired;
}

}  // namespace tavex
