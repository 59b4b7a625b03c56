#pragma once

#include <memory>
#include <string>

// A throwaway PostgreSQL 15 cluster for tests.
//
// The test run (ctest) starts one cluster for all its suites and names its
// folder in TAVEX_TEST_PG_FOLDER; PgCluster::Shared() then uses that one.
// Without the variable (a test binary run alone) the first call starts a
// cluster of the binary's own on a fresh folder under the temporary folder,
// stopped and removed when the binary exits. Either way the server programs
// of /usr/lib/postgresql/15/bin run as user postgres when the tests run as
// root, listen only on a unix socket in the cluster's folder, and run with
// durability off for speed.
//
//   TEST(Something, Works) {
//     TAVEX_REQUIRE_POSTGRES();
//     auto db = tavex::db::OpenConnection(tavex::test::PgCluster::Shared().CreateDatabase());
//     ...
//   }

namespace tavex::test {

class PgCluster {
 public:
  // True when the server programs (and, running as root, the postgres
  // user) are there.
  static bool Available();
  // Why Available() is false, for a skip message.
  static std::string UnavailableReason();
  // The cluster of this test binary (see above). Throws std::runtime_error,
  // with the server's log, when it cannot start or cannot be reached.
  static PgCluster& Shared();

  // A cluster in `folder` that outlives this process, for a test run's
  // fixture: Start makes the folder afresh (stopping a cluster an
  // interrupted run left there) and starts the server; Stop ends it and
  // removes the folder. Both throw std::runtime_error on failure.
  static void Start(const std::string& folder);
  static void Stop(const std::string& folder);

  PgCluster(const PgCluster&) = delete;
  PgCluster& operator=(const PgCluster&) = delete;
  ~PgCluster();

  // Creates a new, empty database and returns its libpq connection name.
  // On a cluster of the test run, the database is dropped when this
  // process exits.
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
