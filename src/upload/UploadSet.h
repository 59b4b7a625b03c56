#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"
#include "engine/Package.h"
#include "upload/UploadBillTexts.h"

namespace tavex {

// An upload set described as data: the staging tables a run copies the
// rows to send into, inside the host database, and the package steps
// defined over them. Builders of different sets (the bills not yet
// uploaded, the bills of a date range) differ in these tables only.

// One staging table.
struct StagingTable {
  std::string_view name;
  // The statement that makes the table from live tables or from staging
  // tables earlier in the set, joining on unprefixed keys.
  std::string_view copy;
  // The key columns that then get the branch prefix, in this order; unused
  // entries are empty.
  std::array<std::string_view, 2> prefixedKeys = {};
  // The copy is also marked as uploaded while its keys are prefixed.
  bool marksUploaded = false;
  // Made only when the host has this table; empty: always made.
  std::string_view onlyWith = {};
  // The copy's two "?" take the range's first day and the day after its last.
  bool inRange = false;
  // A copy of no rows leaves nothing to send: the staging stops there.
  bool needsRows = false;
};

// One statement a package step runs on the receiving side for each incoming
// row, headed by its number and text.
struct PerRowStatement {
  std::string_view number;
  std::string UploadBillTexts::*text;
  std::string_view sql;
};

// One table step: the staged table's rows, written to `table` on the
// receiving side after the statements that delete an earlier copy.
struct UploadStep {
  std::string_view number;
  std::string UploadBillTexts::*text;
  std::string_view source;
  std::string_view table;
  std::array<PerRowStatement, 4> perRow = {};  // unused entries have no sql
  std::string_view onlyWith = {};              // as StagingTable::onlyWith
};

// "'<branch>-'+column": the column's value with the branch prefix, the
// identifier written as a literal whatever characters it holds.
std::string BranchPrefixed(const std::string& branchId, std::string_view column);

// The column's value without the branch prefix that BranchPrefixed gives:
// what follows the identifier and "-".
std::string BranchUnprefixed(const std::string& branchId, std::string_view column);

// True when `onlyWith` is empty or `connection` has that table; a failure
// of the connection raises db::DbError.
bool HostHas(db::Connection& connection, std::string_view onlyWith);

// Fills the staging tables on `connection` (the shared connection), in the
// order given: each table is dropped and made anew by its copy, and its keys
// get their prefix (PrefixAfter) in the same transaction as its copy when no
// later copy reads it, else right after the last copy that does; `range` is
// bound to the copies marked inRange, and `afterCopy` runs in the same
// transaction as the copy it is called for. A staging table the host has no
// table for is dropped. The statements run in ShortWriteTransactions, so
// inside no transaction of the caller's the copies are no snapshot on the
// embedded database: whoever marks rows as sent compares them with what was
// staged. False, with the rest left undone, when a copy that needsRows
// copied none. Failures propagate; what was made so far is the caller's to
// drop (or to roll back, inside its transaction).
bool FillStagingTables(db::Connection& connection, std::span<const StagingTable> tables,
                       const std::string& branchId, const db::Params& range = {},
                       const std::function<void(const StagingTable&)>& afterCopy = {});

// For each of `tables` (those a staging makes, in its order), the position
// of the last table whose copy names it, or its own position when no later
// copy does: its keys keep their unprefixed values until then, since the
// copies join on them. Giving the prefix in the copy's own transaction
// spares the embedded database a second write of every page: rows rewritten
// in a later transaction go to the rollback journal first.
std::vector<std::size_t> PrefixAfter(std::span<const StagingTable* const> tables);

// Runs `stage` on the shared connection, which stages in
// ShortWriteTransactions (FillStagingTables) and answers whether it made a
// set; on false it leaves the staging as it found or made it. On any
// failure (no host connection, the database locked, a statement failing)
// `dropSet` drops what was staged, since nothing may be exported from a set
// half made, `failure` holds the reason and the answer is false; `failure`
// is empty otherwise.
bool StageSet(const std::function<bool(db::Connection&)>& stage,
              const std::function<void()>& dropSet, std::string& failure) noexcept;

// Drops every staging table; a table that is not there is no error.
void DropStagingTables(std::span<const StagingTable> tables);

// Adds the steps the host has tables for to `package`, in order, headed by
// `texts`; calls `extend` with each step added, to let the builder add
// statements of its own.
void AddUploadSteps(engine::Package& package, std::span<const UploadStep> steps,
                    const UploadBillTexts& texts,
                    const std::function<void(const UploadStep&, engine::ExData&)>& extend);

}  // namespace tavex
