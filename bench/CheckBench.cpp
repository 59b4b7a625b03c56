// Measures what the checks of a received package cost a download's merge,
// side by side in one run: the same bill packages merged into the same head
// office (SQLite), once as every receiver now takes them (unpacking bounded
// by the limits, the package opened read-only under a time limit, the
// engine's check, then the checks of the kind and of the sender's rows, and
// every delete held to the sender's rows) and once as the engine alone
// takes them (unpacking, CheckPackage, ImportPackage). Two cases: many
// small packages, and one large one.
//
// Usage: check_bench WORK_FOLDER SCHEMA_SQL GENERATOR_SQL [ROUNDS [PACKAGES BILLS LARGE]]
// PACKAGES packages of BILLS bills each, and one package of LARGE bills
// (defaults 200, 50 and 100000). Each round merges every package both ways,
// into fresh copies of the same head office, in turn; the best time of each
// counts. Exits 1 when the two head offices end different.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "trust/PackageIntake.h"
#include "trust/PackageKinds.h"

namespace {

using namespace tavex::bench;

// The bill package of the bills numbered from `first` to `last` of the
// branch, or of all of them.
void DefineBillRange(Package& package, long first, long last) {
  char low[32];
  char high[32];
  std::snprintf(low, sizeof low, "'B01-%08ld'", first);
  std::snprintf(high, sizeof high, "'B01-%08ld'", last + 1);
  package.PackageID("B01-240305140709");
  package.Sender("B01");
  for (const char* table : kTables) {
    const std::string key = std::string(table) == "bi_SubBill" ? "BillItemID" : "BillID";
    auto& step = package.ExDatas().Add(std::string("step ") + table,
                                       std::string(" SELECT * FROM ") + table + " WHERE " + key +
                                           " >= " + low + " AND " + key + " < " + high,
                                       table, false, false);
    if (std::string(table) == "bi_Bill") {
      for (const char* sql : kDeletes) step.Statements().Add("delete", sql, 5, 0);
    }
  }
}

fs::path ExportPackage(const fs::path& work, const fs::path& branch, long first, long last,
                       const std::string& name) {
  Package package;
  DefineBillRange(package, first, last);
  package.SourceConnection(tavex::db::OpenConnection("sqlite:" + branch.string()));
  const fs::path mdb = work / (name + ".mdb");
  package.TargetConnection(NewPackageDatabase(mdb));
  if (!package.Export(false, true, 1)) throw std::runtime_error("export: " + Failure(package));
  package.TargetConnection(nullptr);
  const fs::path pkg = work / (name + ".pkg");
  Compress(mdb, pkg, true);
  fs::remove(mdb);
  return pkg;
}

// Merges `packages` into `hq` as the engine alone takes them.
void MergeUnchecked(const std::vector<fs::path>& packages, const fs::path& hq) {
  auto host = tavex::db::OpenConnection("sqlite:" + hq.string());
  for (const fs::path& pkg : packages) {
    const fs::path mdb = pkg.string() + ".mdb";
    Compress(pkg, mdb, false);
    auto connection = tavex::db::OpenConnection(tavex::db::PackageConnectionString(mdb.string()));
    Package package;
    if (!package.CheckPackage(connection, 0))
      throw std::runtime_error("check: " + Failure(package));
    package.SourceConnection(connection);
    package.TargetConnection(host);
    if (!package.ImportPackage(true, true, 1)) {
      throw std::runtime_error("import: " + Failure(package));
    }
    package.SourceConnection(nullptr);
    connection->Close();
    fs::remove(mdb);
  }
}

// Merges `packages` into `hq` as every receiver now takes them.
void MergeChecked(const std::vector<fs::path>& packages, const fs::path& hq) {
  using Outcome = tavex::trust::IntakeStep::Outcome;
  auto host = tavex::db::OpenConnection("sqlite:" + hq.string());
  const tavex::trust::PackageLimits limits;
  for (const fs::path& pkg : packages) {
    const fs::path mdb = pkg.string() + ".mdb";
    tavex::trust::PackageIntake intake(pkg.string(), mdb.string(), limits);
    FSComprFile compressor;
    Package package;
    tavex::trust::IntakeStep step = intake.Unpack(compressor);
    if (step.Done()) step = intake.Open();
    if (step.Done()) step = intake.Check(package);
    if (step.Done()) {
      step = intake.Admit(
          {&tavex::trust::ExchangeKindRules(tavex::trust::PackageKind::Bills), "B01", {}});
    }
    if (step.Done()) step = intake.Import(package, host);
    if (step.outcome != Outcome::Done) {
      throw std::runtime_error("checked merge: " + step.reason + Failure(package));
    }
    intake.Close();
    fs::remove(mdb);
  }
}

std::string HeadOfficeState(const fs::path& hq) {
  auto connection = tavex::db::OpenConnection("sqlite:" + hq.string());
  std::string state;
  for (const char* table : kTables) {
    auto rows = connection->Query(std::string("SELECT COUNT(*), MAX(length(") +
                                  (std::string(table) == "bi_SubBill" ? "SubBillID" : "BillID") +
                                  ")) FROM " + table);
    rows->Next();
    state += std::string(table) + " " + std::to_string(std::get<std::int64_t>(rows->Get(0))) + " ";
  }
  return state;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: check_bench WORK_FOLDER SCHEMA_SQL GENERATOR_SQL [ROUNDS [PACKAGES "
                 "BILLS LARGE]]\n";
    return 2;
  }
  try {
    const fs::path work = fs::absolute(argv[1]);
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
    const long packages = argc > 5 ? std::atol(argv[5]) : 200;
    const long bills = argc > 6 ? std::atol(argv[6]) : 50;
    const long large = argc > 7 ? std::atol(argv[7]) : 100000;
    fs::create_directories(work);

    // The branch's bills, with every key the upload prefixes carrying the
    // branch's identifier.
    const fs::path branch = work / "branch.db";
    GenerateBranch(work, branch, argv[2], argv[3], std::max(large, packages * bills));
    WriteText(work / "prefix.sql", "UPDATE bi_Bill SET ShiftID='B01-'||ShiftID;\n");
    Shell("sqlite3 " + Quoted(branch) + " < " + Quoted(work / "prefix.sql"));
    const fs::path emptyHq = work / "hq-empty.db";
    fs::remove(emptyHq);
    Shell("sqlite3 " + Quoted(emptyHq) + " < " + Quoted(argv[2]));

    std::vector<fs::path> small;
    for (long i = 0; i < packages; ++i) {
      small.push_back(
          ExportPackage(work, branch, i * bills + 1, (i + 1) * bills, "small" + std::to_string(i)));
    }
    std::vector<fs::path> one{ExportPackage(work, branch, 1, large, "large")};

    int status = 0;
    for (const auto& [what, set] :
         {std::pair{"many small packages", &small}, std::pair{"one large package", &one}}) {
      Time checked{1e9, 1e9};
      Time unchecked{1e9, 1e9};
      std::string checkedState;
      std::string uncheckedState;
      for (int round = 0; round < rounds; ++round) {
        for (const bool withChecks : {false, true}) {
          const fs::path hq = work / (withChecks ? "hq-checked.db" : "hq-unchecked.db");
          fs::copy_file(emptyHq, hq, fs::copy_options::overwrite_existing);
          const Time time =
              Engine([&] { withChecks ? MergeChecked(*set, hq) : MergeUnchecked(*set, hq); });
          (withChecks ? checked : unchecked) = Best(withChecks ? checked : unchecked, time);
          (withChecks ? checkedState : uncheckedState) = HeadOfficeState(hq);
        }
      }
      std::printf("%s (%zu):\n", what, set->size());
      PrintRatio("  merge with the checks against without them:", checked, unchecked,
                 "(target: at most 1.05)");
      status |= ReportHeadOffices(checkedState, uncheckedState);
    }
    std::printf("peak memory %.1f MiB\n", PeakMemoryMiB());
    return status;
  } catch (const std::exception& failure) {
    std::cerr << "check_bench: " << failure.what() << "\n";
    return 1;
  }
}
