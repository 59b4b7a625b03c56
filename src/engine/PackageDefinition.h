#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/ExDatas.h"

namespace tavex::engine {

// What a package database says about itself, stored beside its rows so that
// the receiving side needs no table list of its own.
struct PackageDefinition {
  static constexpr std::int32_t kFormatVersion = 1;

  struct Step {
    std::string caption;
    std::string sql;
    std::string table;         // the receiving table
    std::string packageTable;  // the table holding its rows in the package
    bool flag1 = false;
    bool flag2 = false;
    std::int64_t rowCount = 0;
    std::vector<Statement> statements;
  };

  std::string packageId;
  std::string description;
  std::string sender;  // empty when the package does not say
  std::vector<Step> steps;
  std::vector<Statement> actions;

  // The receiving tables, in step order.
  std::vector<std::string> FilledTables() const;

  // Writes the definition tables into a package database.
  void Store(db::Connection& package) const;
  // Reads the definition back. Raises PackageFailure(kErrDamagedPackage)
  // when it is missing, of another format version, or inconsistent.
  static PackageDefinition Load(db::Connection& package);
  // Checks the package against its definition: nothing in its file but
  // plain tables (no view, trigger or virtual table, no computed column),
  // every step table present with the recorded row count, every
  // receiving-side statement of an allowed shape over tables the package
  // fills, every placeholder naming a column of its step. Raises
  // PackageFailure(kErrDamagedPackage); a failure of this machine while
  // reading raises as the database raised it.
  void Verify(db::Connection& package) const;

  // True for names the definition tables use, which no step may take.
  static bool IsReservedName(const std::string& table);
};

}  // namespace tavex::engine
