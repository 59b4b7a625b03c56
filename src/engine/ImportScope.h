#pragma once

#include <string>
#include <string_view>
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

// What an import may touch on the receiving side. A receiver that trusts a
// package's sender with the sender's own rows only names them here, per
// receiving table: every delete the package runs on such a table then
// touches only those rows, whatever its conditions say. Tables not named are
// not restricted.
using ImportScope = std::vector<OwnedRows>;

// The condition, over the columns of `rows.table`, that a row belongs as
// `rows` says, with its "?" parameters appended to `params`. Lengths are
// counted in characters, as both backends count them in text.
std::string OwnedCondition(const OwnedRows& rows, db::Params& params);

// The entry of `scope` for `table` (compared without regard to case);
// nullptr when the table is not restricted.
const OwnedRows* FindOwnedRows(const ImportScope& scope, std::string_view table);

}  // namespace tavex::engine
