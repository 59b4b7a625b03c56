#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"
#include "engine/Package.h"
#include "members/MemberSyncTexts.h"
#include "members/MemberTables.h"

namespace tavex {

// A member bundle is the one package head office's relay makes, per run,
// of every member package it took: the same package for every site (head
// office's own folder included), so that each site merges a few packages a
// cycle rather than one per other site, and all of them end equal.
//
// Its steps: for each origin (the site that sent the member packages) and
// member table, in the order the relay took the origin's packages, the
// origin's rows that no row of the same key in a package taken later (of
// any origin) replaces: a later change wins, and rows of one bundle never
// replace one another. Each step's caption begins with its origin and "/"
// (site identifiers hold no "/"), so a receiver knows its own steps. Its
// description lists, per origin, the package names it absorbed (see
// BundleListing). Its columns are the origins' own; nothing is added.

// The packages a bundle absorbed from one origin, in the order the relay
// took them.
struct BundleOrigin {
  std::string origin;
  std::vector<std::string> packages;
};
using BundleListing = std::vector<BundleOrigin>;

// The listing as a bundle's description carries it: one line per origin,
// the origin and then each package name, separated by tabs (neither holds
// a control character).
std::string WriteBundleListing(const BundleListing& listing);
// The listing in `description`; nullopt when it is not one.
std::optional<BundleListing> ReadBundleListing(std::string_view description);

// The caption of a step of `origin`'s rows.
std::string BundleStepCaption(std::string_view origin, std::string_view caption);
// True when `caption` is that of a step of `origin` (the origin compared
// without regard to ASCII case).
bool IsBundleStepOf(std::string_view caption, std::string_view origin);

// The number in a bundle's file name: the local time with its milliseconds
// ("yymmddHHMMSSmmm"), so that the bundles of one head office sort in the
// order they were made, also two in one second.
std::string BundleStamp(std::chrono::system_clock::time_point when);

// The column no member package may carry: the builder keeps each row's
// place in the relay's order in it.
inline constexpr std::string_view kBundleSequenceColumn = "tavex_Sequence";

// Gathers member package databases, in the order the relay took them, in a
// work database of its own (a scratch file, made anew at `workFile`, which
// the caller removes), and writes the bundle of them. Failures raise
// (db::DbError, std::runtime_error), but a package that cannot be
// gathered for what it holds raises trust::PackageRefused and adds
// nothing.
class MemberBundleBuilder {
 public:
  explicit MemberBundleBuilder(const std::string& workFile);
  ~MemberBundleBuilder();
  MemberBundleBuilder(const MemberBundleBuilder&) = delete;
  MemberBundleBuilder& operator=(const MemberBundleBuilder&) = delete;

  // Adds the member package database at `databaseFile`, package `name`
  // sent by `origin`, already checked and admitted as a member package.
  void Add(const std::string& origin, const std::string& name, const std::string& databaseFile);

  // Defines the bundle in `package` (its PackageID and Sender are the
  // caller's) and exports it into a new package database at `bundleFile`:
  // false, with the engine's errors in `package`, when the export fails.
  bool Build(engine::Package& package, const MemberSyncTexts& texts, const std::string& bundleFile);

 private:
  struct Group;

  std::shared_ptr<db::Connection> mWork;
  std::vector<Group> mGroups;
  BundleListing mListing;
  std::int64_t mTaken = 0;
};

}  // namespace tavex
