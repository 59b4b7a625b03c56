#include "members/MemberBundle.h"

#include <algorithm>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "engine/AttachedPackage.h"
#include "engine/PackageDefinition.h"
#include "engine/SqlNames.h"
#include "storage/DatabaseHelpers.h"
#include "storage/DurableFile.h"
#include "storage/LocalTime.h"
#include "trust/Admission.h"

namespace tavex {

namespace {

constexpr char kOriginEnd = '/';
constexpr char kListingSeparator = '\t';

bool IsListingText(std::string_view text) {
  return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}

// The work table of every member table that holds, per key, the number of
// the last package taken that carries a row of it.
std::string LatestTable(const MemberTable& table) {
  return "tavex_Latest_" + std::string(table.name);
}

}  // namespace

std::string WriteBundleListing(const BundleListing& listing) {
  std::string text;
  for (const BundleOrigin& origin : listing) {
    text += origin.origin;
    for (const std::string& name : origin.packages) text += kListingSeparator + name;
    text += '\n';
  }
  return text;
}

std::optional<BundleListing> ReadBundleListing(std::string_view description) {
  BundleListing listing;
  while (!description.empty()) {
    const std::size_t end = description.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view line = description.substr(0, end);
    description.remove_prefix(end + 1);
    std::vector<std::string> fields;
    for (;;) {
      const std::size_t tab = line.find(kListingSeparator);
      fields.emplace_back(line.substr(0, tab));
      if (!IsListingText(fields.back())) return std::nullopt;
      if (tab == std::string_view::npos) break;
      line.remove_prefix(tab + 1);
    }
    if (fields.size() < 2) return std::nullopt;
    listing.push_back({fields.front(), {fields.begin() + 1, fields.end()}});
  }
  return listing;
}

std::string BundleStepCaption(std::string_view origin, std::string_view caption) {
  return std::string(origin) + kOriginEnd + std::string(caption);
}

bool IsBundleStepOf(std::string_view caption, std::string_view origin) {
  return caption.size() > origin.size() && caption[origin.size()] == kOriginEnd &&
         StartsWithNoCase(caption, origin);
}

std::string BundleStamp(std::chrono::system_clock::time_point when) {
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  const std::string digits = std::to_string(1000 + millis);  // "1" and three digits
  return LocalTimeText(when, "%y%m%d%H%M%S") + digits.substr(1);
}

// The rows one origin sent for one member table with one set of columns:
// a work table holding them with the number of the package that carried
// each.
struct MemberBundleBuilder::Group {
  std::string origin;
  const MemberTable* table;
  std::vector<db::Column> columns;
  std::string workTable;
};

MemberBundleBuilder::MemberBundleBuilder(const std::string& workFile) {
  RemoveFile(workFile);  // a run that died may have left its own
  storage::CreateEmptyDatabase(workFile);
  mWork = db::OpenConnection(db::PackageConnectionString(workFile));
  // A scratch file: nothing in it outlives the run.
  mWork->Query("PRAGMA journal_mode=OFF")->Next();
  mWork->Execute("PRAGMA synchronous=OFF");
  for (const MemberTable& table : MemberTables()) {
    mWork->Execute("CREATE TABLE " + LatestTable(table) +
                   " (RowKey TEXT NOT NULL PRIMARY KEY, Sequence INTEGER NOT NULL)");
  }
}

MemberBundleBuilder::~MemberBundleBuilder() = default;

void MemberBundleBuilder::Add(const std::string& origin, const std::string& name,
                              const std::string& databaseFile) {
  const std::shared_ptr<db::Connection> package = db::OpenPackageForReading(databaseFile);
  const engine::PackageDefinition definition = engine::PackageDefinition::Load(*package);
  std::vector<std::vector<db::Column>> columns;
  for (const auto& step : definition.steps) {
    columns.push_back(engine::TableColumns(*package, step.packageTable));
    const auto has = [&](std::string_view name) {
      return std::any_of(columns.back().begin(), columns.back().end(),
                         [&](const db::Column& column) { return EqualsNoCase(column.name, name); });
    };
    const MemberTable* table = FindMemberTable(step.table);
    if (table == nullptr) throw trust::PackageRefused(step.table);
    if (!has(table->key)) throw trust::PackageRefused(step.table + "." + std::string(table->key));
    if (has(kBundleSequenceColumn)) {
      throw trust::PackageRefused(step.table + "." + std::string(kBundleSequenceColumn));
    }
  }
  const std::int64_t sequence = ++mTaken;
  const auto attached = engine::AttachedPackage::TryAttach(
      *mWork, *package, engine::AttachedPackage::Access::ReadOnly);
  if (!attached) throw db::DbError("cannot attach " + databaseFile);
  for (std::size_t i = 0; i < definition.steps.size(); ++i) {
    const auto& step = definition.steps[i];
    const MemberTable& table = *FindMemberTable(step.table);
    const auto sameColumns = [&](const Group& group) {
      return group.table == &table && EqualsNoCase(group.origin, origin) &&
             group.columns.size() == columns[i].size() &&
             std::equal(group.columns.begin(), group.columns.end(), columns[i].begin(),
                        [](const db::Column& x, const db::Column& y) {
                          return x.name == y.name && x.declaredType == y.declaredType;
                        });
    };
    auto group = std::find_if(mGroups.begin(), mGroups.end(), sameColumns);
    std::string names;
    for (const db::Column& column : columns[i]) names += "," + engine::QuoteName(column.name);
    if (group == mGroups.end()) {
      std::string definitionText;
      for (const db::Column& column : columns[i]) {
        definitionText += ", " + engine::QuoteName(column.name) + " " +
                          engine::ColumnType(column, db::Backend::Sqlite);
      }
      Group added{origin, &table, columns[i], "tavex_Group_" + std::to_string(mGroups.size() + 1)};
      mWork->Execute("CREATE TABLE " + added.workTable + " (" + std::string(kBundleSequenceColumn) +
                     " INTEGER NOT NULL" + definitionText + ")");
      mGroups.push_back(std::move(added));
      group = mGroups.end() - 1;
    }
    const std::string rows = attached->Table(step.packageTable);
    mWork->Execute("INSERT INTO " + group->workTable + " (" + std::string(kBundleSequenceColumn) +
                       names + ") SELECT ?" + names + " FROM " + rows,
                   {sequence});
    const std::string key = engine::QuoteName(table.key);
    mWork->Execute("INSERT OR REPLACE INTO " + LatestTable(table) + " (RowKey, Sequence) SELECT " +
                       key + ", ? FROM " + rows + " WHERE " + key + " IS NOT NULL",
                   {sequence});
  }
  const auto known = std::find_if(mListing.begin(), mListing.end(), [&](const BundleOrigin& entry) {
    return EqualsNoCase(entry.origin, origin);
  });
  if (known == mListing.end()) {
    mListing.push_back({origin, {name}});
  } else {
    known->packages.push_back(name);
  }
}

bool MemberBundleBuilder::Build(engine::Package& package, const MemberSyncTexts& texts,
                                const std::string& bundleFile) {
  package.Description(WriteBundleListing(mListing));
  // Each origin's steps together, in the order of its first package; the
  // member tables in package order.
  std::vector<const Group*> ordered;
  for (const BundleOrigin& origin : mListing) {
    for (const MemberTable& table : MemberTables()) {
      for (const Group& group : mGroups) {
        if (group.table == &table && EqualsNoCase(group.origin, origin.origin)) {
          ordered.push_back(&group);
        }
      }
    }
  }
  for (const Group* group : ordered) {
    const MemberTable& table = *group->table;
    const std::string key = engine::QuoteName(table.key);
    std::string names;
    for (const db::Column& column : group->columns) {
      names += (names.empty() ? "" : ",") + engine::QuoteName(column.name);
    }
    // A row stays unless a package taken later carries a row of its key.
    const std::string kept = " FROM " + group->workTable + " AS r WHERE r." + key +
                             " IS NULL OR r." + std::string(kBundleSequenceColumn) +
                             "=(SELECT l.Sequence FROM " + LatestTable(table) +
                             " AS l WHERE l.RowKey=r." + key + ")";
    if (db::CountOf(*mWork, "SELECT COUNT(*)" + kept) == 0) continue;
    engine::ExData& step = package.ExDatas().Add(
        BundleStepCaption(group->origin, std::string(table.stepNumber) + texts.*table.caption),
        "SELECT " + names + kept, std::string(table.name), false, false);
    const std::string keyName(table.key);
    step.Statements().Add(
        std::string(table.statementNumber) + texts.*table.deleteCaption,
        "DELETE FROM " + std::string(table.name) + " WHERE " + keyName + "='{" + keyName + "}'",
        engine::kKindPerRow, 0);
  }
  RemoveFile(bundleFile);
  storage::CreateEmptyDatabase(bundleFile);
  const std::shared_ptr<db::Connection> target =
      db::OpenConnection(db::PackageConnectionString(bundleFile));
  package.SourceConnection(mWork);
  package.TargetConnection(target);
  const bool exported = package.Export(false, true, 1);
  package.SourceConnection(nullptr);
  package.TargetConnection(nullptr);
  target->Close();
  return exported;
}

}  // namespace tavex
