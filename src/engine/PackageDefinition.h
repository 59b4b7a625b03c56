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
  std::vector<Step> steps;
  std::vector<Statement> actions;

  // The receiving tables, in step order.
  std::vector<std::string> FilledTables() const;

  // Writes the definition tables into a package database.
  void Store(db::Connection& package) const;
  // Reads the definition back. Raises PackageFailure(kErrDamagedPackage)
  // when it is missing, of another format version, or inconsistent.
  static PackageDefinition Load(db::Connection& package);
  // Checks the package against its definition: every step table present
  // with the recorded row count, every receiving-side statement of an
  // allowed shape over tables the package fills, every placeholder naming a
  // column of its step. Raises PackageFailure(kErrDamagedPackage).
  void Verify(db::Connection& package) const;

  // True for names the definition tables use, which no step may take.
  static bool IsReservedName(const std::string& table);
};

}  // namespace tavex::engine
