// The test run's PostgreSQL cluster: `tavex_pg_cluster start FOLDER` before
// the suites that use it, `tavex_pg_cluster stop FOLDER` after them (CTest's
// fixture tavex_pg). Without the server programs it starts nothing, and the
// suites skip their PostgreSQL cases.
#include <cstring>
#include <exception>
#include <iostream>

#include "support/PgCluster.h"

int main(int argc, char** argv) {
  using tavex::test::PgCluster;
  const bool start = argc == 3 && std::strcmp(argv[1], "start") == 0;
  if (argc != 3 || (!start && std::strcmp(argv[1], "stop") != 0)) {
    std::cerr << "usage: " << argv[0] << " start|stop FOLDER\n";
    return 2;
  }
  if (!PgCluster::Available()) {
    std::cout << PgCluster::UnavailableReason() << "\n";
    return 0;
  }
  try {
    start ? PgCluster::Start(argv[2]) : PgCluster::Stop(argv[2]);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
