#include "journal/MergeJournal.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "database/Values.h"
#include "storage/LocalTime.h"
#include "transfer/IniSection.h"
#include "trust/PackageName.h"
#include "trust/PackageSignature.h"

namespace tavex {

namespace {

constexpr const char* kTable = "tavex_MergeJournal";
constexpr int kDefaultKeepDays = 365;

// The columns every row has, in the order of the statements below; the
// last three are the ones a merge fills in as it ends.
constexpr const char* kColumns =
    "Receiver, Outcome, PackageName, SenderID, Kind, SignerID, Bytes, Reason, Folders, "
    "RowCounts, MergedAt, Millis";

std::string RowsText(const engine::ImportedRows& rows) {
  nlohmann::ordered_json json = nlohmann::ordered_json::object();
  for (const auto& [table, count] : rows) json[table] = count;
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string FoldersText(const std::vector<std::string>& folders) {
  return nlohmann::json(folders).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The stored texts read back; a damaged one reads as nothing rather than
// failing the reader of the whole journal.
engine::ImportedRows RowsFrom(const std::string& text) {
  engine::ImportedRows rows;
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(text, nullptr, false);
  if (!json.is_object()) return rows;
  for (const auto& [table, count] : json.items()) {
    if (count.is_number_integer()) rows.emplace_back(table, count.get<std::int64_t>());
  }
  return rows;
}

std::vector<std::string> FoldersFrom(const std::string& text) {
  std::vector<std::string> folders;
  const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  if (!json.is_array()) return folders;
  for (const auto& folder : json) {
    if (folder.is_string()) folders.push_back(folder.get<std::string>());
  }
  return folders;
}

db::Params SettledParams(const JournalEntry& entry) {
  return {entry.receiver, entry.outcome, entry.package,
          entry.sender,   entry.kind,    entry.signer,
          entry.bytes,    entry.reason,  FoldersText(entry.folders)};
}

std::string InsertStatement() {
  return std::string("INSERT INTO ") + kTable + " (" + kColumns +
         ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?)";
}

JournalEntry EntryOf(db::Recordset& rows) {
  JournalEntry entry;
  entry.receiver = db::ValueText(rows.Get(std::size_t{0}));
  entry.outcome = db::ValueText(rows.Get(std::size_t{1}));
  entry.package = db::ValueText(rows.Get(std::size_t{2}));
  entry.sender = db::ValueText(rows.Get(std::size_t{3}));
  entry.kind = db::ValueText(rows.Get(std::size_t{4}));
  entry.signer = db::ValueText(rows.Get(std::size_t{5}));
  entry.bytes = db::ValueNumber(rows.Get(std::size_t{6}));
  entry.reason = db::ValueText(rows.Get(std::size_t{7}));
  entry.folders = FoldersFrom(db::ValueText(rows.Get(std::size_t{8})));
  entry.rows = RowsFrom(db::ValueText(rows.Get(std::size_t{9})));
  entry.at = db::ValueText(rows.Get(std::size_t{10}));
  entry.millis = db::ValueNumber(rows.Get(std::size_t{11}));
  return entry;
}

std::vector<JournalEntry> Entries(db::Connection& host, const std::string& sql,
                                  const db::Params& params) {
  std::vector<JournalEntry> entries;
  auto rows = host.Query(sql, params);
  while (rows->Next()) entries.push_back(EntryOf(*rows));
  return entries;
}

}  // namespace

JournalEntry PackageEntry(std::string receiver, std::string outcome, const std::string& name,
                          const std::string& file) {
  JournalEntry entry;
  entry.receiver = std::move(receiver);
  entry.outcome = std::move(outcome);
  entry.package = name;
  if (const std::optional<trust::PackageName> named = trust::ReadPackageName(name)) {
    entry.sender = named->sender;
    entry.kind = trust::KindName(named->kind);
  }
  std::error_code missing;
  const std::uintmax_t bytes = std::filesystem::file_size(file, missing);
  entry.bytes = missing ? 0 : static_cast<std::int64_t>(bytes);
  return entry;
}

MergeJournal::MergeJournal(db::Connection& host) : mHost(host) {
  // JournalID counts the rows in the order they were written: times to the
  // second do not tell apart the packages of one run.
  const std::string id = mHost.GetBackend() == db::Backend::Sqlite
                             ? "JournalID INTEGER PRIMARY KEY"
                             : "JournalID BIGSERIAL PRIMARY KEY";
  mHost.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kTable + " (" + id +
                ", Receiver TEXT NOT NULL, Outcome TEXT NOT NULL, PackageName TEXT NOT NULL, "
                "SenderID TEXT NOT NULL, Kind TEXT NOT NULL, SignerID TEXT NOT NULL, "
                "Bytes BIGINT NOT NULL, Reason TEXT NOT NULL, Folders TEXT NOT NULL, "
                "RowCounts TEXT NOT NULL, MergedAt TEXT NOT NULL, Millis BIGINT NOT NULL)");
  // The overview reads a period, and each sender's latest row.
  mHost.Execute(std::string("CREATE INDEX IF NOT EXISTS ix_tavex_MergeJournal_At ON ") + kTable +
                " (MergedAt)");
  mHost.Execute(std::string("CREATE INDEX IF NOT EXISTS ix_tavex_MergeJournal_Sender ON ") +
                kTable + " (SenderID, Receiver)");
}

void MergeJournal::Write(const JournalEntry& entry) {
  db::Params params = SettledParams(entry);
  params.insert(params.end(),
                {RowsText(entry.rows), entry.at.empty() ? NowText() : entry.at, entry.millis});
  mHost.Execute(InsertStatement(), params);
}

engine::ReceiverRecord MergeJournal::RecordOfMerge(JournalEntry entry,
                                                   std::chrono::steady_clock::time_point started) {
  entry.outcome = "merged";
  return {InsertStatement(), SettledParams(entry),
          [started](db::Params& params, const engine::ImportedRows& written) {
            const auto taken = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            params.insert(params.end(),
                          {RowsText(written), NowText(), static_cast<std::int64_t>(taken.count())});
          }};
}

void MergeJournal::Prune(int keepDays, std::chrono::system_clock::time_point now) {
  const std::string before = LocalTimeText(now - std::chrono::days(keepDays), "%Y-%m-%d %H:%M:%S");
  mHost.Execute(std::string("DELETE FROM ") + kTable + " WHERE MergedAt<?", {before});
}

std::vector<JournalEntry> MergeJournal::Since(const std::string& since) {
  return Entries(mHost,
                 std::string("SELECT ") + kColumns + " FROM " + kTable +
                     " WHERE MergedAt>=? ORDER BY JournalID",
                 {since});
}

std::vector<JournalEntry> MergeJournal::LatestPerSender(const std::vector<std::string>& outcomes,
                                                        const std::string& kind) {
  db::Params params;
  std::string filter = "Outcome IN (";
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    filter += i > 0 ? ",?" : "?";
    params.push_back(outcomes[i]);
  }
  filter += ")";
  if (!kind.empty()) {
    filter += " AND Kind=?";
    params.push_back(kind);
  }
  std::string columns;
  for (std::string_view rest = kColumns; !rest.empty();) {
    const std::size_t comma = rest.find(", ");
    columns += (columns.empty() ? "j." : ", j.") + std::string(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? "" : rest.substr(comma + 2);
  }
  return Entries(mHost,
                 "SELECT " + columns + " FROM " + kTable + " j JOIN (SELECT SenderID, Receiver, " +
                     "MAX(JournalID) AS Latest FROM " + kTable + " WHERE " + filter +
                     " GROUP BY SenderID, Receiver) m ON j.JournalID=m.Latest ORDER BY "
                     "j.SenderID, j.Receiver",
                 params);
}

int JournalKeepDays() {
  const std::optional<IniValues> values = ReadIniSection(TransferOptionsFile(), "Journal");
  if (!values) return kDefaultKeepDays;
  const long long days = NonNegativeNumber(IniValue(*values, "keepdays"));
  return days > 0 ? static_cast<int>(std::min<long long>(days, 36500)) : kDefaultKeepDays;
}

}  // namespace tavex
