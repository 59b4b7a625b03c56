#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/ExDatas.h"
#include "storage/TableIndexes.h"

namespace tavex::trust {

// What a package is for. The exchange kinds travel through the server and
// are named by their file names; a backup is a file a person chose.
enum class PackageKind {
  Bills,    // a branch's new bills and shifts ("B01-240305140709.pkg")
  Reports,  // a branch's daily reports, stock and bills of chosen days ("...-R.pkg")
  Members,  // member records, shared by every site ("...-M.pkg")
  // the member records of many sites, gathered by head office's relay for
  // every site ("<head office>-...-MB.pkg")
  MemberBundle,
  Backup,  // a backup of business, base or stock data, for a restore
};

// The ending that names a kind in a package file's name, before ".pkg".
inline constexpr std::string_view kReportsNameSuffix = "-R";
inline constexpr std::string_view kMembersNameSuffix = "-M";
inline constexpr std::string_view kMemberBundleNameSuffix = "-MB";

// A receiving-side statement a kind may carry for one of its tables,
// written as the builder of the kind writes it. In a kind-5 (per-row)
// statement "{Field}" is the incoming row's value, as in any package. In a
// kind-4 statement "{sender}" stands for a literal that must be the sending
// site's identifier, "{date}" for a literal date ("YYYY-MM-DD", with or
// without a time of day) and "{any}" for any literal.
struct AllowedStatement {
  int kind;
  std::string sql;
};

// A table a kind may fill, with the statements it may carry for it.
struct AllowedTable {
  std::string table;
  // The key column whose value the sender prefixes with its identifier and
  // "-", which says whose a row is; empty for a table whose rows say it in
  // BranchID.
  std::string_view owner;
  std::vector<AllowedStatement> statements;
};

// What a package of one kind may contain. For the kinds a branch sends,
// every row must also be the sender's own (see Admit).
struct KindRules {
  PackageKind kind;
  std::vector<AllowedTable> tables;
  // Rows belong to the sender: their owner key carries its prefix, their BranchID
  // is its identifier, and every delete touches only its rows.
  bool senderOwnsRows = false;

  // The entry for `table` (compared without regard to case); nullptr when
  // the kind may not fill it.
  const AllowedTable* Find(std::string_view table) const;
};

// The rules of an exchange kind (Bills, Reports, Members or MemberBundle;
// a bundle may fill and delete what a member package may).
const KindRules& ExchangeKindRules(PackageKind kind);

// The columns the deletes of the exchange kinds find a receiving table's
// rows by (the first of each delete's conditions, and of each subquery's),
// each once, in the order of the rules. Without an index leading with one,
// every merge scans that table.
const std::vector<storage::TableColumn>& ReceivingKeys();

// The rules of a backup: the bills with their payments, items and sub-bills,
// and the stock documents with their lines, each with the per-row deletes
// their backups write; and every table of `wholeTables` (the base data
// catalogue and the stock master tables), each with only the unconditional
// delete of itself that empties it before its rows arrive.
KindRules BackupKindRules(const std::vector<std::string>& wholeTables);

// True when `statement`, carried by a step into `table` of a package sent
// by `sender`, has exactly the shape of one of `table`'s allowed statements.
bool StatementAllowed(const AllowedTable& table, const engine::Statement& statement,
                      const std::vector<std::string>& filledTables, const std::string& sender);

}  // namespace tavex::trust
