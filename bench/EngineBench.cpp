// Measures the package engine against the sqlite3 and zstd command-line tools
// on the same data, in one run:
//   export: the engine copies the four bill tables into a package database and
//           compresses it; the baseline does ATTACH + CREATE TABLE AS and zstd -3.
//   import: the engine unpacks, checks and merges the package into a head-office
//           database holding half of the bills, with no index on the bill
//           tables; the baseline does zstd -d, ATTACH, one set-based DELETE per
//           statement and INSERT INTO ... SELECT.
// Prints each time, each ratio and the peak resident memory of this process
// (the baselines run as child processes and are not counted).
//
// Usage: engine_bench BILLS WORK_FOLDER SCHEMA_SQL GENERATOR_SQL [ROUNDS]
// With ROUNDS > 1 every part runs that many times, engine and baseline in
// turn, and the best time of each is kept: on a shared machine the best of a
// few rounds is the one least disturbed by other work.

#include <filesystem>
#include <iostream>
#include <string>

#include "BenchSupport.h"

namespace {

using namespace tavex::bench;

// Exports the bill package from `branch` and compresses it. With
// `inTransaction`, the export runs inside a Strict transaction on the branch
// connection, as the upload run does it; the transaction is committed after.
// Returns the time of the export alone.
Time EngineExport(const fs::path& branch, const fs::path& mdb, const fs::path& pkg,
                  bool inTransaction) {
  Package package;
  DefineBillPackage(package);
  auto source = tavex::db::OpenConnection("sqlite:" + branch.string());
  package.SourceConnection(source);
  package.TargetConnection(NewPackageDatabase(mdb));
  const Time exported = Engine([&] {
    if (inTransaction) source->BeginTrans(tavex::db::TransactionKind::Strict);
    if (!package.Export(false, true, 1)) throw std::runtime_error("export: " + Failure(package));
    if (inTransaction) source->CommitTrans();
  });
  package.TargetConnection(nullptr);
  Compress(mdb, pkg, true);
  fs::remove(mdb);
  return exported;
}

void EngineImport(const fs::path& pkg, const fs::path& mdb, const fs::path& hq) {
  Compress(pkg, mdb, false);
  auto connection = tavex::db::OpenConnection(tavex::db::PackageConnectionString(mdb.string()));
  Package package;
  if (!package.CheckPackage(connection, 0)) throw std::runtime_error("check: " + Failure(package));
  package.SourceConnection(connection);
  package.TargetConnection(tavex::db::OpenConnection("sqlite:" + hq.string()));
  if (!package.ImportPackage(true, true, 1))
    throw std::runtime_error("import: " + Failure(package));
}

void BaselineExport(const fs::path& work, const fs::path& branch, const fs::path& mdb,
                    const fs::path& pkg) {
  std::string sql = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; ATTACH " + Quoted(branch) +
                    " AS b; BEGIN;\n";
  for (const char* table : kTables) {
    sql += std::string("CREATE TABLE ") + table + " AS SELECT * FROM b." + table + ";\n";
  }
  sql += "COMMIT;\n";
  WriteText(work / "baseline_export.sql", sql);
  fs::remove(mdb);
  Shell("sqlite3 " + Quoted(mdb) + " < " + Quoted(work / "baseline_export.sql") + " > /dev/null");
  Shell("zstd -3 -q -f " + Quoted(mdb) + " -o " + Quoted(pkg));
  fs::remove(mdb);
}

void BaselineImport(const fs::path& work, const fs::path& pkg, const fs::path& mdb,
                    const fs::path& hq) {
  Shell("zstd -d -q -f " + Quoted(pkg) + " -o " + Quoted(mdb));
  const std::string incoming = "(SELECT BillID FROM p.bi_Bill)";
  std::string sql = "ATTACH " + Quoted(mdb) + " AS p; BEGIN;\n";
  sql += BaselineMerge(incoming, "p.");
  sql += "COMMIT;\n";
  WriteText(work / "baseline_import.sql", sql);
  Shell("sqlite3 " + Quoted(hq) + " < " + Quoted(work / "baseline_import.sql"));
}

// Row counts, key lengths and the highest key of the four tables, to show that
// both imports end in the same state.
std::string Fingerprint(const fs::path& hq) {
  static const char* const kKeys[] = {"BillID", "BillPaymentID", "BillItemID", "SubBillID"};
  auto connection = tavex::db::OpenConnection("sqlite:" + hq.string());
  std::string text;
  for (std::size_t i = 0; i < std::size(kTables); ++i) {
    const std::string key = kKeys[i];
    auto rows = connection->Query("SELECT COUNT(*), SUM(length(" + key + ")), MAX(" + key +
                                  ") FROM " + kTables[i]);
    rows->Next();
    text += std::string(kTables[i]) + "=" + std::to_string(std::get<std::int64_t>(rows->Get(0))) +
            "/" + std::to_string(std::get<std::int64_t>(rows->Get(1))) + "/" +
            std::get<std::string>(rows->Get(2)) + " ";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::cerr << "usage: engine_bench BILLS WORK_FOLDER SCHEMA_SQL GENERATOR_SQL [ROUNDS]\n";
    return 2;
  }
  try {
    const long bills = std::stol(argv[1]);
    const fs::path work = fs::absolute(argv[2]);
    fs::create_directories(work);
    const fs::path branch = work / "branch.db";
    const fs::path hq = work / "hq.db";
    const fs::path hqEngine = work / "hq_engine.db";
    const fs::path hqBaseline = work / "hq_baseline.db";

    std::cout << "generating " << bills << " bills..." << std::endl;
    GenerateBranch(work, branch, argv[3], argv[4], bills);
    // Head office: every other bill with its children, in tables without any index.
    fs::remove(hq);
    std::string sql = "ATTACH " + Quoted(branch) + " AS b; BEGIN;\n";
    const std::string half =
        "(SELECT BillID FROM b.bi_Bill WHERE CAST(substr(BillID, 5) AS "
        "INTEGER) % 2 = 0)";
    sql += "CREATE TABLE bi_Bill AS SELECT * FROM b.bi_Bill WHERE BillID IN " + half + ";\n";
    sql += "CREATE TABLE bi_BillPayment AS SELECT * FROM b.bi_BillPayment WHERE BillID IN " + half +
           ";\n";
    sql +=
        "CREATE TABLE bi_BillItem AS SELECT * FROM b.bi_BillItem WHERE BillID IN " + half + ";\n";
    sql +=
        "CREATE TABLE bi_SubBill AS SELECT * FROM b.bi_SubBill WHERE BillItemID IN (SELECT "
        "BillItemID FROM bi_BillItem);\nCOMMIT;\n";
    WriteText(work / "hq.sql", sql);
    Shell("sqlite3 " + Quoted(hq) + " < " + Quoted(work / "hq.sql"));
    const int rounds = argc == 6 ? std::max(1, std::stoi(argv[5])) : 1;
    constexpr double kNever = 1e30;
    Time exportEngine{kNever, kNever}, exportOnly{kNever, kNever}, exportBaseline{kNever, kNever},
        exportInTransaction{kNever, kNever}, inTransactionOnly{kNever, kNever},
        importEngine{kNever, kNever}, importBaseline{kNever, kNever};
    for (int round = 1; round <= rounds; ++round) {
      fs::copy_file(hq, hqEngine, fs::copy_options::overwrite_existing);
      fs::copy_file(hq, hqBaseline, fs::copy_options::overwrite_existing);
      Time only;
      exportEngine =
          Best(exportEngine, Engine([&] {
                 only = EngineExport(branch, work / "engine.mdb", work / "engine.pkg", false);
               }));
      exportOnly = Best(exportOnly, only);
      exportBaseline =
          Best(exportBaseline, Baseline([&] {
                 BaselineExport(work, branch, work / "baseline.mdb", work / "baseline.pkg");
               }));
      exportInTransaction =
          Best(exportInTransaction, Engine([&] {
                 only = EngineExport(branch, work / "engine_t.mdb", work / "engine_t.pkg", true);
               }));
      inTransactionOnly = Best(inTransactionOnly, only);
      importEngine = Best(importEngine, Engine([&] {
                            EngineImport(work / "engine.pkg", work / "engine_in.mdb", hqEngine);
                          }));
      importBaseline =
          Best(importBaseline, Baseline([&] {
                 BaselineImport(work, work / "baseline.pkg", work / "baseline_in.mdb", hqBaseline);
               }));
    }

    const std::string engineState = Fingerprint(hqEngine);
    const std::string baselineState = Fingerprint(hqBaseline);

    std::printf("bills: %ld, best of %d round(s)\n", bills, rounds);
    std::printf("package file: engine %.1f MiB, baseline %.1f MiB\n",
                static_cast<double>(fs::file_size(work / "engine.pkg")) / 1048576.0,
                static_cast<double>(fs::file_size(work / "baseline.pkg")) / 1048576.0);
    PrintRatio("export + compress:", exportEngine, exportBaseline, "(target <= 1.5)");
    std::printf("  of which export %.2f s (cpu %.2f s), compression %.2f s (cpu %.2f s)\n",
                exportOnly.wall, exportOnly.cpu, exportEngine.wall - exportOnly.wall,
                exportEngine.cpu - exportOnly.cpu);
    PrintRatio("export + compress inside the caller's transaction:", exportInTransaction,
               exportBaseline, "");
    std::printf("  of which export %.2f s (cpu %.2f s)\n", inTransactionOnly.wall,
                inTransactionOnly.cpu);
    PrintRatio("unpack + import:  ", importEngine, importBaseline, "(target <= 2.0)");
    std::printf("peak resident memory of the engine: %.1f MiB (target < 64)\n", PeakMemoryMiB());
    return ReportHeadOffices(engineState, baselineState);
  } catch (const std::exception& error) {
    std::cerr << "engine_bench: " << error.what() << "\n";
    return 1;
  }
}
