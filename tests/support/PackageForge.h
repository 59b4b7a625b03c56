#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tavex::test {

// One table step of a package: its receiving table, the columns and rows of
// its table in the package (SQLite column definitions and value lists, or a
// SELECT that makes many rows), and its receiving-side statements (kind,
// text).
struct ForgedStep {
  std::string table;
  std::string columns;
  std::vector<std::string> rows;
  std::vector<std::pair<int, std::string>> statements = {};
  std::string generated = {};
};

// Package files in the product's own layout (the engine's definition tables,
// one table per step, one zstd frame) with whatever content a test gives:
// the sound packages the builders write, and the forged ones anybody with
// the chain's FTP login could put on the server.
class PackageForge {
 public:
  explicit PackageForge(std::string folder) : mFolder(std::move(folder)) {}

  // The contents of a package file of `steps`, recording `sender` as the
  // site that made it unless it is empty.
  std::string Build(const std::vector<ForgedStep>& steps, const std::string& sender = "");
  // `package` with `sql` run on its database and packed again, past any
  // check of the engine's.
  std::string Tampered(const std::string& package, const std::vector<std::string>& sql);
  // A package file whose frame holds `contents` as its database.
  std::string Packed(const std::string& contents);

 private:
  std::string NextStem();

  std::string mFolder;
  int mCount = 0;
};

// The bill steps of `branch`'s bills first..first+count-1 (each with two
// items and a payment, on shift "<branch>-S1"; no split-bill lines, shift
// sums or logs), keys prefixed and the receiving side's deletes as the bill
// upload writes them.
std::vector<ForgedStep> BillSteps(const std::string& branch, int first, int count);

// The member steps of one member with one card, as the member upload writes
// them.
std::vector<ForgedStep> MemberSteps(const std::string& memberId, const std::string& mobile);

}  // namespace tavex::test
