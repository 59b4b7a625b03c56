#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/ImportScope.h"
#include "engine/Package.h"
#include "engine/PackageGroup.h"
#include "trust/PackageKinds.h"

namespace tavex::trust {

// A package its receiver refuses for what it is, with the reason the user
// sees.
class PackageRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a receiver expects of a package before it merges or forwards it.
struct Expectation {
  // The kind the package must be (from its file name, or Backup for a
  // restore).
  const KindRules* rules = nullptr;
  // The site its file name names; empty for a backup.
  std::string sender;
  // Every other site identifier the receiver knows (see SiteRoster), so
  // that a key of "B-01" is never taken for one of "B".
  std::vector<std::string> knownSites;
};

// A package that passed every check of its receiver. Only Admit makes one,
// and only an admitted package is merged (ImportAdmitted): no receiver can
// merge without the checks.
class AdmittedPackage {
 public:
  PackageKind Kind() const { return mKind; }
  // The site that sent it (recorded in the package, else from its name);
  // empty for a backup.
  const std::string& Sender() const { return mSender; }
  // The receiving tables, in step order.
  const std::vector<std::string>& Tables() const { return mTables; }

 private:
  AdmittedPackage() = default;
  friend AdmittedPackage Admit(db::Connection& package, const Expectation& expected);
  friend void RequireSenderRows(db::Connection& package, const AdmittedPackage& admitted);
  friend bool ImportAdmitted(engine::Package& package, const AdmittedPackage& admitted,
                             std::vector<engine::ReceiverRecord> records,
                             engine::ImportScope receiver);
  friend engine::Package::Staging StageAdmitted(engine::PackageGroup& group,
                                                engine::Package& package,
                                                const AdmittedPackage& admitted,
                                                std::vector<engine::ReceiverRecord> records);

  PackageKind mKind = PackageKind::Bills;
  std::string mSender;
  std::vector<std::string> mTables;
  engine::ImportScope mScope;
};

// Checks the package database `package`, already through the engine's
// CheckPackage, against `expected`:
// - the sender it records (if any) is the one its name gives, without
//   regard to case;
// - every step fills a table of the kind, and every receiving-side
//   statement has exactly one of the shapes the kind allows for that table;
// - for the kinds whose rows belong to their sender, every step's rows can
//   say whose they are (they carry the kind's first key, or BranchID).
// For those kinds it also sets the rule that every row is the sender's: the
// key column that says whose a row is holds NULL or starts with the
// sender's identifier and "-" and with no longer known identifier that
// starts the same way, and BranchID, wherever a step carries it, is the
// sender's identifier. The rows are held to it as they are read: by
// RequireSenderRows, or within ImportAdmitted's own reading, which then
// merges nothing. Raises PackageRefused with the reason; a failure of the
// database while reading raises as it was raised.
AdmittedPackage Admit(db::Connection& package, const Expectation& expected);

// Reads every row of `admitted`'s package database `package` against the
// rule that it is the sender's (see Admit), for a receiver that forwards
// the package without merging it. Raises PackageRefused naming the first
// row that is not.
void RequireSenderRows(db::Connection& package, const AdmittedPackage& admitted);

// Merges `admitted`, whose database is `package`'s SourceConnection, as
// Package::ImportPackage does, with every delete held to the sender's rows
// and every row that is not the sender's stopping the import (refused, with
// nothing merged); `records` are written in the import's transaction. A
// receiver that takes only part of the package says which in `receiver`:
// its skipped steps and filters apply, and its records are written after
// `records`; its owned rows and guards are not taken (the admission's
// hold).
bool ImportAdmitted(engine::Package& package, const AdmittedPackage& admitted,
                    std::vector<engine::ReceiverRecord> records = {},
                    engine::ImportScope receiver = {});

// Stages `admitted` into `group` as ImportAdmitted would merge it (the
// same restrictions and guards), `records` to be written when the group
// merges. The group holds packages of one kind whose rows are their
// senders' own, at most one per sender (see engine::PackageGroup).
engine::Package::Staging StageAdmitted(engine::PackageGroup& group, engine::Package& package,
                                       const AdmittedPackage& admitted,
                                       std::vector<engine::ReceiverRecord> records);

}  // namespace tavex::trust
