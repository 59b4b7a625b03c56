#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/ImportScope.h"

namespace tavex {

// What became of one package a receiver took in: merged or refused by a
// site's download, routed or rejected by head office's relay.
struct JournalEntry {
  std::string receiver;              // "download" or "relay"
  std::string outcome;               // "merged", "refused", "routed", "rejected"
  std::string package;               // its file name
  std::string sender;                // from its name; empty when the name has none
  std::string kind;                  // "bills", "reports", "members"; empty as sender
  std::string signer;                // who signed it; empty: unsigned
  engine::ImportedRows rows;         // merged: rows written per receiving table
  std::int64_t bytes = 0;            // the package file's size
  std::string at;                    // local time, "YYYY-MM-DD HH:MM:SS"
  std::int64_t millis = 0;           // how long the merge took
  std::string reason;                // refused or rejected: why
  std::vector<std::string> folders;  // routed: the download folders it went to
};

// The entry of the package file `name` for `receiver`: its sender and kind
// as its name gives them, and the size of its copy `file` here (0 when there
// is none).
JournalEntry PackageEntry(std::string receiver, std::string outcome, const std::string& name,
                          const std::string& file);

// The journal of every package this site's download merged or refused and
// its relay routed or rejected, one row each in the table
// "tavex_MergeJournal" (made on first use, with its indexes). Head office
// reads it for the overview of the chain; it is in no backup.
//
// A merged package's row is written by the merge itself, in its transaction
// (RecordOfMerge), so the package and its row exist together or not at all;
// every other row is written on its own once the outcome is settled.
class MergeJournal {
 public:
  // Raises db::DbError when the table cannot be made.
  explicit MergeJournal(db::Connection& host);

  void Write(const JournalEntry& entry);

  // The statement that writes `entry` as merged, for the merge's own
  // transaction: the rows written and the time are filled in when it runs,
  // the time taken counted from `started`.
  engine::ReceiverRecord RecordOfMerge(JournalEntry entry,
                                       std::chrono::steady_clock::time_point started);

  // Forgets the rows older than `keepDays` days before `now`.
  void Prune(int keepDays, std::chrono::system_clock::time_point now);

  // Every row from `since` ("YYYY-MM-DD ..." local time) on, in the order
  // they were written.
  std::vector<JournalEntry> Since(const std::string& since);

  // The row written last of each sender and receiver among those with one of
  // `outcomes` (and of `kind`, unless empty), whenever it was written.
  std::vector<JournalEntry> LatestPerSender(const std::vector<std::string>& outcomes,
                                            const std::string& kind = "");

 private:
  db::Connection& mHost;
};

// How many days the journal keeps: section "Journal", key "KeepDays" of the
// transfer options file (Octopus/MAIN.INI); 365 when missing or not a
// positive number.
int JournalKeepDays();

}  // namespace tavex
