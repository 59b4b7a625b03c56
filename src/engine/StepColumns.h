#pragma once

#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/PackageDefinition.h"

namespace tavex::engine {

// How the columns of a step's package table meet its receiving table.
struct StepColumns {
  // The receiving table's columns, as the receiving database reports them.
  std::vector<db::Column> receiving;
  // The package table's column names, in its order.
  std::vector<std::string> packageNames;
  // The receiving column of each package column (matched by name without
  // regard to case), as the receiving table spells it.
  std::vector<std::string> targetNames;

  // The receiving column of package column `name`; empty when there is none.
  std::string TargetOf(const std::string& name) const;
  // "[a],[b],..." of `names`.
  static std::string List(const std::vector<std::string>& names);
  // "[a] TYPE, ..." for the columns `names` of a new table on `backend`,
  // each typed as the receiving column of the same name (untyped when there
  // is none), each named `prefix` + its name.
  std::string Definitions(const std::vector<std::string>& names, db::Backend backend,
                          const std::string& prefix = {}) const;
};

// The columns of `step`: its package table's in `source` against its
// receiving table's in `target` (`receiving`, when the caller already read
// them). Raises PackageFailure kErrMissingTable when the receiving database
// lacks the table, kErrMissingColumn for a package column it lacks.
StepColumns MatchStepColumns(db::Connection& target, db::Connection& source,
                             const PackageDefinition::Step& step,
                             const std::vector<db::Column>* receiving = nullptr);

}  // namespace tavex::engine
