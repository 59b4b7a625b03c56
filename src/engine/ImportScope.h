#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/Connection.h"

namespace tavex::engine {

// The rows of one receiving table that belong to a package's sender: those
// whose `column` equals `value`, or, with `prefix`, starts with it and with
// none of `notPrefixes` (the longer identifiers of other senders that start
// with it too). A row whose column is NULL belongs to nobody.
struct OwnedRows {
  std::string table;
  std::string column;
  std::string value;
  bool prefix = false;
  std::vector<std::string> notPrefixes;
};

// A condition every incoming row of one receiving table must meet:
// `condition`, over the columns of the table's rows in the package, with its
// parameters, holds for every row the import may write (and is never NULL).
// The first row for which it does not stops the import, with the message
// `refusal` followed by the value of `shown` for that row (an expression over
// the same columns, with its own parameters).
struct RowGuard {
  std::string table;
  std::string condition;
  db::Params conditionParams;
  std::string refusal;
  std::string shown;
  db::Params shownParams;
};

// Incoming rows of one receiving table that the import passes over
// silently: only rows for which `condition` (over the columns of the
// table's rows in the package, with its parameters) holds are written, and
// only their values feed the per-row deletes, so a row passed over replaces
// nothing either.
struct RowFilter {
  std::string table;
  std::string condition;
  db::Params params;
};

// The rows an import wrote, per receiving table, in the order of its steps.
using ImportedRows = std::vector<std::pair<std::string, std::int64_t>>;

// A statement of the receiver's own (not the package's) that the import
// runs in its transaction after the rows are written: a record of the
// package that must exist exactly when the package is merged. `complete`,
// when set, is called just before it runs, to add to `params` what only the
// finished import knows.
struct ReceiverRecord {
  std::string sql;
  db::Params params;
  std::function<void(db::Params& params, const ImportedRows& written)> complete = {};
};

// What an import may touch on the receiving side. A receiver that trusts a
// package's sender with the sender's own rows only names them here, per
// receiving table: every delete the package runs on such a table touches
// only the `owned` rows, whatever its conditions say, and every row it
// writes there must pass its `guards`. Tables not named are not restricted.
// A receiver that takes only part of a package names the rest: the steps
// `skipStep` answers true for (given the step's caption) are not merged at
// all, and the `filters` pass rows over. The `records` run last, in the
// import's transaction.
struct ImportScope {
  std::vector<OwnedRows> owned;
  std::vector<RowGuard> guards;
  std::vector<RowFilter> filters;
  std::function<bool(const std::string& caption)> skipStep = {};
  std::vector<ReceiverRecord> records;
};

// Writes the receiver's `records` of a package that wrote `written` into
// `target`. They are the receiver's own: whatever refuses one, the package
// is not at fault and must not be filed for it, so a failure raises
// PackageFailure kErrLocal (kErrTimeLimit for a time limit).
void WriteRecords(db::Connection& target, const std::vector<ReceiverRecord>& records,
                  const ImportedRows& written);

// The condition, over the columns of `rows.table`, that a row belongs as
// `rows` says, with its "?" parameters appended to `params`. Lengths are
// counted in characters, as both backends count them in text.
std::string OwnedCondition(const OwnedRows& rows, db::Params& params);

// The entry of `scope` for `table` (compared without regard to case);
// nullptr when the table is not restricted.
const OwnedRows* FindOwnedRows(const ImportScope& scope, std::string_view table);
const RowGuard* FindRowGuard(const ImportScope& scope, std::string_view table);
const RowFilter* FindRowFilter(const ImportScope& scope, std::string_view table);

// " AND (<condition>)" of `filter` with its parameters appended to `params`;
// empty without a filter.
std::string FilterClause(const RowFilter* filter, db::Params& params);

// "AND (CASE WHEN <condition> THEN 1 ELSE <stop with the refusal> END)": the
// clause that lets a statement reading `guard`'s table in the package read
// only rows that pass it and stop at the first that does not, with its
// parameters appended to `params`; empty without a guard.
std::string GuardClause(const RowGuard* guard, db::Params& params);

}  // namespace tavex::engine
