#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/Connection.h"

namespace tavex::cli {

// What the sample host database holds.
struct SampleOptions {
  std::string branchId = "B01";
  int bills = 200;  // settled bills, spread evenly over the days
  int days = 7;     // business days from kSampleFirstDay on
  std::uint64_t seed = 1;
  bool withUnCheck = true;  // bi_UnCheckBill and its two detail tables
  bool withOctopus = true;  // bi_OctopusPayment
};

// The first business day of every sample database ("YYYY-MM-DD").
inline constexpr std::string_view kSampleFirstDay = "2024-03-01";

// Accounts of the sample: kSampleAdmin holds privilege 98 (delete data),
// kSampleCashier does not; kSampleDisabled is switched off. Each account's
// password is its name.
inline constexpr std::string_view kSampleAdmin = "admin";
inline constexpr std::string_view kSampleCashier = "cashier";
inline constexpr std::string_view kSampleDisabled = "leaver";
inline constexpr int kPrivilegeDeleteData = 98;

// The schema script of the sample host database for a backend, split into
// single statements.
std::vector<std::string> SampleSchemaStatements(db::Backend backend, const SampleOptions& options);

// Creates the sample schema in `connection` and fills it, all in one
// transaction: on any failure nothing is left behind and the DbError
// propagates. The same options give the same rows (password hashes aside,
// whose salts are fresh). Also stores the branch identity (settings 801, 802).
// Returns each table written with its number of rows.
std::vector<std::pair<std::string, std::int64_t>> CreateSampleDatabase(
    const std::shared_ptr<db::Connection>& connection, const SampleOptions& options);

// The branch name stored with a branch identifier.
std::string SampleBranchName(const std::string& branchId);

}  // namespace tavex::cli
