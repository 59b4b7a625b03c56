// Runs every fixed statement text of the exchange (CorpusRows.cpp) on both
// backends against the sample host database and checks its effect. Each case
// runs inside a transaction that is rolled back, so the cases share one
// sample database per backend.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "cli/SampleDatabase.h"
#include "statements/Corpus.h"
#include "support/HostDatabase.h"
#include "support/TempDir.h"

namespace tavex::test {
namespace {

using Case = std::tuple<db::Backend, std::size_t>;

const Row& FindRow(const std::string& id) {
  for (const auto& row : CorpusRows()) {
    if (row.id == id) return row;
  }
  throw std::logic_error("no corpus row named '" + id + "'");
}

// The text a backend receives: dates between '#' become quoted on
// PostgreSQL, as the callers write them for SQL Server hosts.
std::string TextFor(const Row& row, const Env& env) {
  std::string sql = row.sql(env);
  if (!env.IsSqlite()) std::replace(sql.begin(), sql.end(), '#', '\'');
  return sql;
}

class StatementCorpusTest : public testing::TestWithParam<Case> {
 protected:
  // One sample database per backend for the whole run.
  static std::shared_ptr<db::Connection> Sample(db::Backend backend) {
    static std::map<db::Backend, std::shared_ptr<db::Connection>> connections;
    static TempDir folder;
    auto& connection = connections[backend];
    if (!connection) {
      connection = db::OpenConnection(CreateEmptyHostDatabase(backend, folder));
      cli::SampleOptions options;
      options.bills = 80;
      options.days = 4;
      options.seed = 11;
      options.branchId = kBranch;
      cli::CreateSampleDatabase(connection, options);
    }
    return connection;
  }

  void SetUp() override {
    const auto& row = CorpusRows().at(std::get<1>(GetParam()));
    const auto backend = std::get<0>(GetParam());
    if ((row.on == On::Sqlite && backend != db::Backend::Sqlite) ||
        (row.on == On::Postgres && backend != db::Backend::Postgres)) {
      GTEST_SKIP() << "this form is only sent to the other kind of host database";
    }
    mDb = Sample(backend);
    mDb->BeginTrans();
  }

  void TearDown() override {
    if (mDb && mDb->InTransaction()) mDb->RollbackTrans();
  }

  // Runs the statements of `row`'s prerequisites, depth first, each once.
  void RunPrerequisites(const Row& row, const Env& env, std::set<std::string>& done) {
    for (const auto& id : row.after) {
      if (done.count(id)) continue;
      const Row& before = FindRow(id);
      RunPrerequisites(before, env, done);
      try {
        if (before.query) {
          mDb->Query(TextFor(before, env), before.params);
        } else {
          mDb->Execute(TextFor(before, env), before.params);
        }
      } catch (const db::DbError& error) {
        throw std::runtime_error("prerequisite '" + id + "' failed: " + error.what());
      }
      done.insert(id);
    }
  }

  std::shared_ptr<db::Connection> mDb;
};

TEST_P(StatementCorpusTest, HasItsEffect) {
  const Row& row = CorpusRows().at(std::get<1>(GetParam()));
  const Env env(std::get<0>(GetParam()), *mDb);
  std::set<std::string> done;
  try {
    RunPrerequisites(row, env, done);
  } catch (const std::runtime_error& error) {
    if (!row.gap.empty())
      GTEST_SKIP() << "statement rewriter gap (" << row.gap << "): " << error.what();
    FAIL() << error.what();
  }
  for (const auto& statement : row.setup) mDb->Execute(statement);

  Result result;
  if (!row.snapshot.empty()) result.before = env.Rows(row.snapshot);
  if (row.expect) result.expected = row.expect(env);
  const std::string sql = TextFor(row, env);
  try {
    if (row.query) {
      auto cursor = mDb->Query(sql, row.params);
      for (const auto& column : cursor->Columns()) {
        std::string name = column.name;
        for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        result.columns.push_back(name);
      }
      while (cursor->Next()) {
        std::vector<std::string> values;
        for (std::size_t i = 0; i < result.columns.size(); ++i) {
          values.push_back(ValueText(cursor->Get(i)));
        }
        result.rows.push_back(std::move(values));
      }
    } else {
      result.affected = mDb->Execute(sql, row.params);
    }
  } catch (const db::DbError& error) {
    if (row.failsOnSqlite && env.IsSqlite()) return;
    if (!row.gap.empty()) {
      GTEST_SKIP() << "statement rewriter gap (" << row.gap << "): " << error.what() << "\n" << sql;
    }
    FAIL() << error.what() << "\n" << sql;
  }
  if (row.failsOnSqlite && env.IsSqlite()) FAIL() << "must fail on SQLite: " << sql;
  row.check(env, result);
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  std::string name = std::get<0>(info.param) == db::Backend::Sqlite ? "Sqlite_" : "Postgres_";
  for (char c : CorpusRows().at(std::get<1>(info.param)).id) {
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, StatementCorpusTest,
                         testing::Combine(testing::Values(db::Backend::Sqlite,
                                                          db::Backend::Postgres),
                                          testing::Range<std::size_t>(0, CorpusRows().size())),
                         CaseName);

// The corpus itself: ids unique (they name cases and prerequisites) and every
// prerequisite known.
TEST(StatementCorpus, RowsAreNamedUniquelyAndPrerequisitesExist) {
  std::set<std::string> ids;
  for (const auto& row : CorpusRows()) {
    EXPECT_TRUE(ids.insert(row.id).second) << "duplicate row " << row.id;
    for (const auto& id : row.after) EXPECT_NO_THROW(FindRow(id)) << row.id << " needs " << id;
  }
  EXPECT_LT(250u, ids.size());
}

}  // namespace
}  // namespace tavex::test
