#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavex::engine {

// Statement kinds of a package definition.
enum StatementKind : std::int32_t {
  // Run once on the source database after the export, inside the caller's
  // transaction there (marks rows as uploaded). Never runs on the receiving side.
  kKindSource = 3,
  // A complete delete run once on the receiving database before the step's rows.
  kKindBeforeStep = 4,
  // A delete template run for every incoming row of the step, "{Field}"
  // standing for that row's value of Field.
  kKindPerRow = 5,
};

struct Statement {
  std::string caption;
  std::string sql;
  std::int32_t kind = 0;
  std::int32_t extra = 0;
};

// An ordered list of statements (a step's Statements, the package's Actions).
class Statements {
 public:
  Statement& Add(std::string message, std::string sql, std::int32_t kind, std::int32_t extra = 0);
  std::int32_t Count() const { return static_cast<std::int32_t>(mItems.size()); }
  // 1-based, as callers count.
  const Statement& Item(std::int32_t index) const { return mItems.at(index - 1); }
  void Clear() { mItems.clear(); }

  auto begin() const { return mItems.begin(); }
  auto end() const { return mItems.end(); }

 private:
  std::vector<Statement> mItems;
};

// One table step: the rows that `sql` selects on the source side go to the
// receiving table `table`.
class ExData {
 public:
  ExData(std::string caption, std::string sql, std::string table, bool flag1, bool flag2)
      : mCaption(std::move(caption)),
        mSql(std::move(sql)),
        mTable(std::move(table)),
        mFlag1(flag1),
        mFlag2(flag2) {}

  const std::string& Caption() const { return mCaption; }
  const std::string& Sql() const { return mSql; }
  const std::string& Table() const { return mTable; }
  bool Flag1() const { return mFlag1; }
  bool Flag2() const { return mFlag2; }

  class Statements& Statements() {
    return mStatements;
  }
  const class Statements& Statements() const { return mStatements; }

 private:
  std::string mCaption;
  std::string mSql;
  std::string mTable;
  bool mFlag1;
  bool mFlag2;
  class Statements mStatements;
};

// The package's table steps, in definition order. Steps are held by pointer
// so that the step returned by Add stays valid while more are added.
class ExDatas {
 public:
  ExData& Add(std::string message, std::string sql, std::string table, bool flag1, bool flag2);
  std::int32_t Count() const { return static_cast<std::int32_t>(mItems.size()); }
  // 1-based, as callers count.
  ExData& Item(std::int32_t index) const { return *mItems.at(index - 1); }
  void Clear() { mItems.clear(); }

 private:
  std::vector<std::unique_ptr<ExData>> mItems;
};

}  // namespace tavex::engine
