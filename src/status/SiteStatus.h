#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "status/StatusTexts.h"
#include "storage/TableIndexes.h"

namespace tavex {

// Rows of one kind that wait to be uploaded.
struct WaitingRows {
  std::string name;   // a stable name for scripts: "bills", "members", ...
  std::string table;  // the host table they wait in
  std::string StatusTexts::*text = nullptr;
  std::int64_t count = 0;
  std::string oldest;  // the earliest date among them, as the host gives it
  bool stale = false;  // some are older than the limit
};

// What an operator or a monitoring check needs to know about a site at a
// glance.
struct SiteStatus {
  std::string site;                          // setting 801
  std::vector<WaitingRows> waiting;          // only tables the host has
  std::vector<std::string> pendingPackages;  // fetched, not yet merged
  std::vector<std::string> errorPackages;    // filed as damaged this month
  // Sites whose unsigned packages this site took in the last 30 days.
  std::vector<std::string> unsignedSenders;
  // Numbers of a site's signed packages never received although later ones
  // were ("B01 5, 7"): packages deleted on the server, or still on their way.
  std::vector<std::string> missingPackages;
  // The last successful run of each kind; nullopt: never.
  struct LastRun {
    std::string name;  // "upload", "download", "relay", "members"
    std::string StatusTexts::*text = nullptr;
    std::optional<std::chrono::system_clock::time_point> when;
  };
  std::vector<LastRun> lastRuns;
  std::optional<bool> serverAnswers;  // asked only when wanted
  // Why the server was refused when the client can say more than that it
  // did not answer (an SFTP host key that is unknown or changed, with its
  // fingerprint; a key file others may read); empty otherwise.
  std::string serverRefusal;
  // The receiving tables whose key columns no index leads with: every merge
  // of a package scans them whole. Advice, no cause for attention.
  std::vector<storage::MissingIndex> missingIndexes;

  // A package waits, failed or is missing, rows are older than the limit,
  // or the server does not answer.
  bool NeedsAttention() const;
};

struct StatusRequest {
  // Rows waiting from before this many days ago (local dates) are stale.
  int maxAgeDays = 2;
  // Also log in to the FTP server (through the DDNS service where set).
  bool checkServer = false;
  std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
};

// Reads the status of the site whose host database is the shared
// connection and whose plug-in folder is PluginFolder(). A failing host
// raises db::DbError.
SiteStatus ReadSiteStatus(const StatusRequest& request);

// The status as lines for people and as JSON for scripts: status/StatusReport.h.

}  // namespace tavex
