#pragma once

#include <string>
#include <vector>

#include "database/Connection.h"

namespace tavex::trust {

// The identifiers of the chain's sites that this host knows, kept in the
// host database in the table tavex_Site of this component: the folders the
// relay finds under "ForDownload", the senders whose packages were merged
// here, and, when the table is first made, the branch identifiers that the
// host's bills and branch list already hold. The package checks read it to
// tell a key of site "B-01" ("B-01-5") from one of site "B".
class SiteRoster {
 public:
  explicit SiteRoster(db::Connection& host) : mHost(host) {}

  // Every known identifier; makes the table on first use. Failures raise.
  std::vector<std::string> Sites();

  // Adds the identifiers of `sites` not yet known; empty ones are ignored.
  // Failures raise.
  void Add(const std::vector<std::string>& sites);

 private:
  void MakeTable();

  db::Connection& mHost;
};

}  // namespace tavex::trust
