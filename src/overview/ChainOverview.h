#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/TableIndexes.h"

namespace tavex {

// One business day of one branch, or of the whole chain.
struct DayFigures {
  std::int64_t bills = 0;     // bills of that business day (their own date)
  std::int64_t packages = 0;  // packages merged that day (the journal)
  double sales = 0;           // see ChainOverview
};

// A package refused (by the download) or rejected (by the relay).
struct RefusedPackage {
  std::string package;
  std::string sender;    // from its name; empty when it has none
  std::string receiver;  // "download" or "relay"
  std::string at;
  std::string reason;
};

struct BranchOverview {
  std::string site;
  std::string lastMergedAt;      // the newest package merged here; empty: never
  std::string lastPackage;       // its name
  std::optional<int> ageDays;    // whole days since then
  std::vector<DayFigures> days;  // one per day of the overview
  std::int64_t refused = 0;      // packages refused in the period
  std::string lastMembersAt;     // newest member package taken; empty: never
  std::optional<bool> signs;     // its newest package was signed; nullopt: none seen
  bool silent = false;           // nothing merged for longer than allowed
  bool lastRefused = false;      // its newest package was refused

  bool NeedsAttention() const { return silent || lastRefused; }
  DayFigures Total() const;
};

// Head office's own run of one kind.
struct HeadOfficeRun {
  std::string name;  // "download", "relay"
  std::optional<std::chrono::system_clock::time_point> lastSuccess;
  std::optional<std::chrono::system_clock::time_point> lastFailure;
  // Its last run failed.
  bool Failed() const { return lastFailure && (!lastSuccess || *lastFailure > *lastSuccess); }
};

// What head office sees of the whole chain. Sales are the consumption
// before service charge and discount: the bills' SumOfConsume (the sum of
// their items'), or, for a branch and day without bills here, the daily
// sales report's theConsume (rp_BillItem_Upload), which sums the same item
// column.
struct ChainOverview {
  std::string headOffice;
  std::string generatedAt;
  int maxAgeDays = 2;
  std::vector<std::chrono::year_month_day> days;  // the period, oldest first
  std::vector<BranchOverview> branches;           // the ones needing attention first, by name
  std::vector<DayFigures> totals;                 // the chain's, per day
  std::vector<RefusedPackage> refused;            // in the period, oldest first
  std::vector<HeadOfficeRun> runs;
  // Whether the server listed its download folders; nullopt: not asked.
  std::optional<bool> serverAnswers;
  // The indexes that would spare the overview a scan of a whole table.
  std::vector<storage::MissingIndex> missingIndexes;

  bool NeedsAttention() const;
};

struct OverviewRequest {
  int days = 14;  // at least one
  // A branch with nothing merged for more than this many days is silent.
  int maxAgeDays = 2;
  // List the branches' download folders on the server.
  bool readServer = true;
  std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
};

// Reads the overview of the chain whose head office's host database is the
// shared connection and whose plug-in folder is PluginFolder(). The branches
// are every site of the site roster, the journal, the bills of the period
// and the server's download folders, but head office itself, the relay's
// extra destinations and the branches marked closed (RetireBranch). A
// failing host raises db::DbError.
ChainOverview ReadChainOverview(const OverviewRequest& request);

}  // namespace tavex
