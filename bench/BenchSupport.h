#pragma once
// What the benchmarks share: running the command-line tools, measuring a
// part, printing a ratio, and the bill package they all move.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "database/Connection.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"

namespace tavex::bench {

namespace fs = std::filesystem;
using engine::FSComprFile;
using engine::Package;

inline void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

inline void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Wall-clock time and processor time (user + system) of one measured part.
// The engine runs in this process; the baselines run as child processes.
struct Time {
  double wall = 0;
  double cpu = 0;
};

inline double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename Body>
Time Measure(int who, Body body) {
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds(who);
  body();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          CpuSeconds(who) - cpuStart};
}

// Each part starts with no dirty pages of the one before it to write.
template <typename Body>
Time Engine(Body body) {
  Shell("sync");
  return Measure(RUSAGE_SELF, body);
}

template <typename Body>
Time Baseline(Body body) {
  Shell("sync");
  return Measure(RUSAGE_CHILDREN, body);
}

inline Time Best(const Time& a, const Time& b) {
  return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)};
}

inline void PrintRatio(const char* what, const Time& engine, const Time& baseline,
                       const char* target) {
  std::printf(
      "%s engine %.2f s (cpu %.2f s), baseline %.2f s (cpu %.2f s), ratio %.2f (cpu %.2f) %s\n",
      what, engine.wall, engine.cpu, baseline.wall, baseline.cpu, engine.wall / baseline.wall,
      engine.cpu / baseline.cpu, target);
}

inline std::shared_ptr<tavex::db::Connection> NewPackageDatabase(const fs::path& path) {
  fs::remove(path);
  WriteText(path, "");
  return tavex::db::OpenConnection(tavex::db::PackageConnectionString(path.string()));
}

inline std::string Failure(const Package& package) {
  std::string text;
  for (std::int32_t i = 1; i <= package.Errors().Count(); ++i) {
    text += package.Errors().Item(i).Description() + "\n";
  }
  return text.empty() ? "cancelled" : text;
}

// Compresses `source` into `target` (with `ahead`'s frame ahead of the
// data, when given), or restores it.
inline void Compress(const fs::path& source, const fs::path& target, bool compress,
                     tavex::engine::FrameAhead* ahead = nullptr) {
  FSComprFile control;
  control.SourceFile(source.string());
  control.TargetFile(target.string());
  compress ? control.Compress(ahead) : control.Decompress();
  if (control.ErrorCode() != 0) throw std::runtime_error("compression control failed");
}

const char* const kTables[] = {"bi_Bill", "bi_BillPayment", "bi_BillItem", "bi_SubBill"};

// The receiving-side statements of the bill package, children first.
const char* const kDeletes[] = {
    "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM bi_BillItem "
    "WHERE BillID='{BillID}')",
    "DELETE FROM bi_BillItem WHERE BillID='{BillID}'",
    "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'",
    "DELETE FROM bi_Bill WHERE BillID='{BillID}'",
};

// The four bill steps, every row of each table, with the bill step's deletes.
// What both baselines run to merge a package's bills: the set-based deletes
// of every bill `incoming` (a subquery) names, then one INSERT ... SELECT per
// table from the table of the same name prefixed by `from`.
inline std::string BaselineMerge(const std::string& incoming, const std::string& from) {
  std::string sql =
      "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT BillItemID FROM bi_BillItem WHERE "
      "BillID IN " +
      incoming + ");\n";
  for (const char* table : {"bi_BillItem", "bi_BillPayment", "bi_Bill"}) {
    sql += std::string("DELETE FROM ") + table + " WHERE BillID IN " + incoming + ";\n";
  }
  for (const char* table : kTables) {
    sql += std::string("INSERT INTO ") + table + " SELECT * FROM " + from + table + ";\n";
  }
  return sql;
}

inline void DefineBillPackage(Package& package) {
  package.PackageID("B01-240305140709");
  package.Description("旺角分店");
  for (const char* table : kTables) {
    auto& step =
        package.ExDatas().Add(std::string("step ") + table,
                              std::string(" SELECT * FROM ") + table + " ", table, false, false);
    if (std::string(table) == "bi_Bill") {
      for (const char* sql : kDeletes) step.Statements().Add("delete", sql, 5, 0);
    }
  }
}

// Creates the SQLite branch database `branch` with the sample schema and
// `bills` generated bills.
inline void GenerateBranch(const fs::path& work, const fs::path& branch, const fs::path& schema,
                           const fs::path& generator, long bills) {
  fs::remove(branch);
  WriteText(work / "generate.sql", ".read " + Quoted(schema) + "\n.parameter set @bills " +
                                       std::to_string(bills) + "\n.read " + Quoted(generator) +
                                       "\n");
  Shell("sqlite3 " + Quoted(branch) + " < " + Quoted(work / "generate.sql"));
}

// The largest resident memory this process has had, in MiB.
// Prints both head offices' state after the import; the exit status of the
// bench: 0 when they are identical.
inline int ReportHeadOffices(const std::string& engine, const std::string& baseline) {
  std::printf("head office after import: engine %s| baseline %s| %s\n", engine.c_str(),
              baseline.c_str(), engine == baseline ? "same" : "DIFFERENT");
  return engine == baseline ? 0 : 1;
}

inline double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace tavex::bench
