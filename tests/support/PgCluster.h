#pragma once

#include <string>

// A throwaway PostgreSQL 15 cluster for tests.
//
// The first call to PgCluster::Shared() in a test binary runs initdb and
// pg_ctl from /usr/lib/postgresql/15/bin (as user postgres when the tests
// run as root) on a fresh folder under the temporary folder, listening only
// on a unix socket in that folder, with durability off for speed. The
// cluster is stopped and its folder removed when the binary exits.
//
//   TEST(Something, Works) {
//     TAVEX_REQUIRE_POSTGRES();
//     auto db = tavex::db::OpenConnection(tavex::test::PgCluster::Shared().CreateDatabase());
//     ...
//   }

#include <memory>

namespace tavex::test {

class PgCluster {
 public:
  // True when the server programs (and, running as root, the postgres
  // user) are there.
  static bool Available();
  // Why Available() is false, for a skip message.
  static std::string UnavailableReason();
  // The cluster of this test binary, started on the first call and stopped
  // at exit. Throws std::runtime_error, with the server's log, when it
  // cannot start.
  static PgCluster& Shared();

  PgCluster(const PgCluster&) = delete;
  PgCluster& operator=(const PgCluster&) = delete;
  ~PgCluster();

  // Creates a new, empty database and returns its libpq connection name.
  std::string CreateDatabase();

 private:
  PgCluster();
  struct State;
  std::unique_ptr<State> mState;
};

}  // namespace tavex::test

// Skips the running test, with a clear message, when PostgreSQL is not
// installed.
#define TAVEX_REQUIRE_POSTGRES()                                     \
  do {                                                               \
    if (!::tavex::test::PgCluster::Available()) {                    \
      GTEST_SKIP() << ::tavex::test::PgCluster::UnavailableReason(); \
    }                                                                \
  } while (false)
