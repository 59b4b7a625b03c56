#include "storage/TableIndexes.h"

#include "database/AsciiText.h"
#include "database/Values.h"
#include "storage/DatabaseHelpers.h"

namespace tavex::storage {

namespace {

std::vector<std::string> LeadingColumnsSqlite(db::Connection& host, const std::string& table) {
  std::vector<std::string> columns;
  std::vector<std::string> indexes;
  auto list = host.Query("SELECT name FROM pragma_index_list(?)", {table});
  while (list->Next()) indexes.push_back(db::ValueText(list->Get(std::size_t{0})));
  for (const std::string& index : indexes) {
    auto info = host.Query("SELECT name FROM pragma_index_info(?) WHERE seqno=0", {index});
    if (info->Next()) columns.push_back(db::ValueText(info->Get(std::size_t{0})));
  }
  return columns;
}

std::vector<std::string> LeadingColumnsPostgres(db::Connection& host, const std::string& table) {
  std::vector<std::string> columns;
  // The first key of each index, as its definition names it.
  auto rows = host.Query(
      "SELECT pg_get_indexdef(i.indexrelid, 1, true) FROM pg_index i "
      "JOIN pg_class c ON c.oid=i.indrelid "
      "JOIN pg_namespace n ON n.oid=c.relnamespace AND n.nspname=current_schema() "
      "WHERE lower(c.relname)=lower(?)",
      {table});
  while (rows->Next()) columns.push_back(db::ValueText(rows->Get(std::size_t{0})));
  return columns;
}

}  // namespace

bool HasIndexLeadingWith(db::Connection& host, const std::string& table,
                         const std::string& column) {
  const std::vector<std::string> leading = host.GetBackend() == db::Backend::Sqlite
                                               ? LeadingColumnsSqlite(host, table)
                                               : LeadingColumnsPostgres(host, table);
  for (const std::string& name : leading) {
    if (EqualsNoCase(name, column)) return true;
  }
  return false;
}

std::vector<MissingIndex> MissingIndexes(db::Connection& host,
                                         const std::vector<TableColumn>& wanted) {
  std::vector<MissingIndex> missing;
  for (const auto& [table, column] : wanted) {
    if (TableExists(host, table) && !HasIndexLeadingWith(host, table, column)) {
      missing.push_back(
          {table, column,
           "CREATE INDEX ix_" + table + "_" + column + " ON " + table + " (" + column + ")"});
    }
  }
  return missing;
}

}  // namespace tavex::storage
