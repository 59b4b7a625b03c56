// Measures the package engine on a PostgreSQL head office against psql,
// sqlite3 and zstd doing the same work, in one run:
//   import: the engine unpacks, checks and merges the bill package into a
//           head-office database holding every other bill, with no index on
//           the bill tables; the baseline does zstd -d, sqlite3 -csv, psql
//           \copy into temporary tables, one set-based DELETE per statement
//           and INSERT INTO ... SELECT, in one transaction.
//   export: the engine copies the four bill tables of the merged head office
//           into a package database; the baseline does psql \copy (...) TO
//           and sqlite3 .import of the same rows into a new database file.
// Prints each time, each ratio and the peak resident memory of this process
// (the baselines run as child processes and are not counted).
//
// Usage: pg_engine_bench BILLS WORK_FOLDER SQLITE_SCHEMA PG_SCHEMA GENERATOR_SQL
//                        SOCKET_FOLDER [ROUNDS]
// SOCKET_FOLDER is where a running PostgreSQL server, with trust for user
// postgres, has its unix socket; the bench creates its own databases there.
// With ROUNDS > 1 every part runs that many times, engine and baseline in
// turn, and the best time of each is kept.

#include <filesystem>
#include <iostream>
#include <string>

#include "BenchSupport.h"

namespace {

using namespace tavex::bench;

struct Server {
  std::string socketFolder;

  std::string Uri(const std::string& database) const {
    return "postgresql:///" + database + "?host=" + socketFolder + "&user=postgres";
  }
  // psql on `database`, stopping at the first error, quiet.
  std::string Psql(const std::string& database) const {
    return "psql -X -q -v ON_ERROR_STOP=1 '" + Uri(database) + "'";
  }
  // A fresh copy of database `from` named `name`.
  void CopyDatabase(const std::string& from, const std::string& name) const {
    Shell(Psql("postgres") + " -c 'DROP DATABASE IF EXISTS " + name + "' -c 'CREATE DATABASE " +
          name + " TEMPLATE " + from + "'");
  }
};

// Head office's template database: the sample schema without indexes on the
// bill tables, holding every other bill of `branch` with its children.
void CreateHeadOffice(const Server& server, const fs::path& work, const fs::path& schema,
                      const fs::path& branch) {
  Shell(server.Psql("postgres") + " -c 'DROP DATABASE IF EXISTS hq' -c 'CREATE DATABASE hq'");
  std::string sql = "\\i " + Quoted(schema) + "\n";
  for (const char* table : kTables) {
    sql += std::string("ALTER TABLE ") + table + " DROP CONSTRAINT " + table + "_pkey;\n";
  }
  WriteText(work / "hq_schema.sql", sql);
  Shell(server.Psql("hq") + " -f " + Quoted(work / "hq_schema.sql"));
  const std::string even = "CAST(substr(BillID, 5) AS INTEGER) % 2 = 0";
  const std::string where[] = {
      even, even, even, "BillItemID IN (SELECT BillItemID FROM bi_BillItem WHERE " + even + ")"};
  for (std::size_t i = 0; i < std::size(kTables); ++i) {
    Shell("sqlite3 -csv " + Quoted(branch) + " \"SELECT * FROM " + kTables[i] + " WHERE " +
          where[i] + "\" | " + server.Psql("hq") + " -c '\\copy " + kTables[i] +
          " FROM pstdin CSV'");
  }
}

void EngineImport(const fs::path& pkg, const fs::path& mdb, const std::string& target) {
  Compress(pkg, mdb, false);
  auto connection = tavex::db::OpenConnection(tavex::db::PackageConnectionString(mdb.string()));
  Package package;
  if (!package.CheckPackage(connection, 0)) throw std::runtime_error("check: " + Failure(package));
  package.SourceConnection(connection);
  package.TargetConnection(tavex::db::OpenConnection(target));
  if (!package.ImportPackage(true, true, 1))
    throw std::runtime_error("import: " + Failure(package));
}

void BaselineImport(const Server& server, const fs::path& work, const fs::path& pkg,
                    const fs::path& mdb, const std::string& database) {
  Shell("zstd -d -q -f " + Quoted(pkg) + " -o " + Quoted(mdb));
  std::string dump = ".mode csv\n";
  std::string sql = "BEGIN;\n";
  for (const char* table : kTables) {
    const fs::path csv = work / (std::string(table) + ".csv");
    dump += ".once " + Quoted(csv) + "\nSELECT * FROM " + table + ";\n";
    sql += std::string("CREATE TEMP TABLE in_") + table + " (LIKE " + table +
           ") ON COMMIT DROP;\n\\copy in_" + table + " FROM " + Quoted(csv) + " CSV\n";
  }
  const std::string incoming = "(SELECT BillID FROM in_bi_Bill)";
  sql += BaselineMerge(incoming, "in_");
  sql += "COMMIT;\n";
  WriteText(work / "baseline_dump.sql", dump);
  WriteText(work / "baseline_import.sql", sql);
  Shell("sqlite3 " + Quoted(mdb) + " < " + Quoted(work / "baseline_dump.sql"));
  Shell(server.Psql(database) + " -f " + Quoted(work / "baseline_import.sql"));
}

void EngineExport(const std::string& source, const fs::path& mdb) {
  Package package;
  DefineBillPackage(package);
  package.SourceConnection(tavex::db::OpenConnection(source));
  package.TargetConnection(NewPackageDatabase(mdb));
  if (!package.Export(false, true, 1)) throw std::runtime_error("export: " + Failure(package));
}

void BaselineExport(const Server& server, const fs::path& work, const std::string& database,
                    const fs::path& mdb) {
  std::string copy;
  std::string import = ".mode csv\n";
  for (const char* table : kTables) {
    const fs::path csv = work / (std::string("out_") + table + ".csv");
    copy += std::string("\\copy (SELECT * FROM ") + table + ") TO " + Quoted(csv) + " CSV HEADER\n";
    import += ".import " + Quoted(csv) + " " + table + "\n";
  }
  WriteText(work / "baseline_copy.sql", copy);
  WriteText(work / "baseline_load.sql", import);
  fs::remove(mdb);
  Shell(server.Psql(database) + " -f " + Quoted(work / "baseline_copy.sql"));
  Shell("sqlite3 " + Quoted(mdb) + " < " + Quoted(work / "baseline_load.sql"));
}

// Row counts, key lengths and the highest key of the four tables, to show that
// both imports end in the same state.
std::string Fingerprint(const std::string& uri) {
  static const char* const kKeys[] = {"BillID", "BillPaymentID", "BillItemID", "SubBillID"};
  auto connection = tavex::db::OpenConnection(uri);
  std::string text;
  for (std::size_t i = 0; i < std::size(kTables); ++i) {
    const std::string key = kKeys[i];
    auto rows =
        connection->Query("SELECT COUNT(*), SUM(length(" + key + ")), MAX(" + key +
                          "), SUM(length(CAST(" + kTables[i] + " AS text))) FROM " + kTables[i]);
    rows->Next();
    text += std::string(kTables[i]) + "=" + std::to_string(std::get<std::int64_t>(rows->Get(0))) +
            "/" + std::to_string(std::get<std::int64_t>(rows->Get(1))) + "/" +
            std::get<std::string>(rows->Get(2)) + "/" +
            std::to_string(std::get<std::int64_t>(rows->Get(3))) + " ";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7 && argc != 8) {
    std::cerr << "usage: pg_engine_bench BILLS WORK_FOLDER SQLITE_SCHEMA PG_SCHEMA GENERATOR_SQL "
                 "SOCKET_FOLDER [ROUNDS]\n";
    return 2;
  }
  try {
    const long bills = std::stol(argv[1]);
    const fs::path work = fs::absolute(argv[2]);
    fs::create_directories(work);
    const Server server{argv[6]};
    const fs::path branch = work / "branch.db";

    std::cout << "generating " << bills << " bills..." << std::endl;
    GenerateBranch(work, branch, argv[3], argv[5], bills);
    CreateHeadOffice(server, work, fs::absolute(argv[4]), branch);
    {
      Package package;
      DefineBillPackage(package);
      package.SourceConnection(tavex::db::OpenConnection("sqlite:" + branch.string()));
      package.TargetConnection(NewPackageDatabase(work / "branch.mdb"));
      if (!package.Export(false, true, 1)) throw std::runtime_error("export: " + Failure(package));
    }
    Compress(work / "branch.mdb", work / "branch.pkg", true);
    fs::remove(work / "branch.mdb");

    const int rounds = argc == 8 ? std::max(1, std::stoi(argv[7])) : 1;
    constexpr double kNever = 1e30;
    Time importEngine{kNever, kNever}, importBaseline{kNever, kNever}, exportEngine{kNever, kNever},
        exportBaseline{kNever, kNever};
    for (int round = 1; round <= rounds; ++round) {
      server.CopyDatabase("hq", "hq_engine");
      server.CopyDatabase("hq", "hq_baseline");
      importEngine =
          Best(importEngine, Engine([&] {
                 EngineImport(work / "branch.pkg", work / "engine_in.mdb", server.Uri("hq_engine"));
               }));
      importBaseline = Best(importBaseline, Baseline([&] {
                              BaselineImport(server, work, work / "branch.pkg",
                                             work / "baseline_in.mdb", "hq_baseline");
                            }));
      exportEngine =
          Best(exportEngine,
               Engine([&] { EngineExport(server.Uri("hq_engine"), work / "engine_out.mdb"); }));
      exportBaseline =
          Best(exportBaseline, Baseline([&] {
                 BaselineExport(server, work, "hq_baseline", work / "baseline_out.mdb");
               }));
    }

    const std::string engineState = Fingerprint(server.Uri("hq_engine"));
    const std::string baselineState = Fingerprint(server.Uri("hq_baseline"));
    std::printf("bills: %ld, best of %d round(s), PostgreSQL head office\n", bills, rounds);
    PrintRatio("unpack + import into PostgreSQL:", importEngine, importBaseline, "(target <= 1.5)");
    PrintRatio("export from PostgreSQL:         ", exportEngine, exportBaseline, "");
    std::printf("peak resident memory of the engine: %.1f MiB (target < 64)\n", PeakMemoryMiB());
    return ReportHeadOffices(engineState, baselineState);
  } catch (const std::exception& error) {
    std::cerr << "pg_engine_bench: " << error.what() << "\n";
    return 1;
  }
}
