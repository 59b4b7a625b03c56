#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"

namespace tavex::engine {

// A receiving-side statement of a package, understood rather than run as
// text. A package is data, not code: the only statements it may carry for the
// receiving side are deletes of these shapes,
//
//   DELETE FROM <table> [WHERE <condition> [AND <condition>]...]
//   <condition> := <column> = '<literal>'
//                | <column> = '{<Field>}'
//                | <column> IN (SELECT [DISTINCT] <column> FROM <table>
//                               [WHERE <condition> [AND ...]])
//
// with names bare or in [brackets]. Every table named must be one the
// package fills. The statement is rebuilt from this form with every value
// bound as a parameter, so neither a literal nor an incoming field value is
// ever pasted into SQL.
class DeleteStatement {
 public:
  struct Condition;
  struct Select {
    std::string column;
    std::string table;
    std::vector<Condition> where;
  };
  struct Condition {
    enum class Type { Literal, Placeholder, InSelect };
    Type type = Type::Literal;
    std::string column;
    std::string value;  // the literal, or the placeholder's field name
    std::shared_ptr<Select> select;
  };

  // Parses `sql` of statement kind `kind` (4 or 5; in kind 4 "{x}" is plain
  // text). Raises PackageFailure(kErrDamagedPackage) for any other shape, a
  // table not in `filledTables`, or, in kind 5, placeholders on more than one
  // level of the statement.
  static DeleteStatement Parse(std::string_view sql, int kind,
                               const std::vector<std::string>& filledTables);

  // How the statement is written for the receiving database.
  struct Rendering {
    // The name of a receiving table as the statement writes it, quoted;
    // QuoteName when not given.
    std::function<std::string(std::string_view table)> table;
    // A further condition, over the columns of the table deleted from, that
    // every deleted row must meet (whose rows the statement may touch), with
    // its "?" parameters; none when empty.
    std::string restriction;
    db::Params restrictionParams;
    // The incoming table's column of a placeholder field, quoted;
    // QuoteName(field) when not given.
    std::function<std::string(std::string_view field)> field;
  };

  // A condition, over the columns of the table deleted from, that the rows
  // one package of a group may touch meet, with its "?" parameters; empty
  // when the package may touch every row.
  struct Restriction {
    std::string condition;
    db::Params params;
  };

  const std::string& Table() const { return mTable; }
  // The conditions of the WHERE clause, in order; empty without one.
  const std::vector<Condition>& Where() const { return mWhere; }
  // The distinct placeholder field names, in order of first use.
  const std::vector<std::string>& Fields() const { return mFields; }

  // The statement with its literals as parameters (for kind 4).
  std::string Sql(db::Params& params, const Rendering& rendering = {}) const;
  // The set-based form of a kind-5 statement: one delete with the effect of
  // running the template once for every row of `incomingTable`, whose columns
  // are named after the placeholder fields.
  std::string SetSql(std::string_view incomingTable, db::Params& params,
                     const Rendering& rendering = {}) const;
  // The set-based form for the incoming rows of several packages at once:
  // `incomingTable` holds, beside each row's placeholder values, the number
  // of its package in `packageColumn` (0, 1, ...), and a row of the table is
  // deleted only when the template run for an incoming row of package k
  // deletes it and it meets `restrictions[k]`. `rendering.restriction` is
  // not used.
  std::string GroupSql(std::string_view incomingTable, std::string_view packageColumn,
                       const std::vector<Restriction>& restrictions, db::Params& params,
                       const Rendering& rendering = {}) const;

 private:
  std::string mTable;
  std::vector<Condition> mWhere;
  std::vector<std::string> mFields;
};

}  // namespace tavex::engine
