#pragma once

#include <string>
#include <vector>

#include "engine/FSComprFile.h"
#include "members/MemberSyncHost.h"
#include "members/MemberSyncTexts.h"
#include "transfer/PrepareExchange.h"

namespace tavex {

// How a member synchronisation ended.
enum class MemberSyncResult {
  NotPrepared,     // the preparation failed (no server address, DDNS); nothing ran
  SendFailed,      // the member rows were not sent; the download did not run
  DownloadFailed,  // the rows were sent (or none waited); a package failed to merge
  Done,            // sent (or nothing to send) and every waiting package merged
};

// One member synchronisation on the shared host connection: sends the
// branch's member records not yet uploaded as one package to the server's
// upload folder, then fetches and merges every package waiting in the
// branch's download folder (DownloadLoop). The rows sent are marked as
// uploaded only once the package is on the server, and only those still as
// they were sent; no transaction stays open while the package is built and
// sent, so POS terminals keep writing meanwhile. A sending half that fails
// marks nothing and skips the download. Every step reports through the
// host; nothing is thrown.
//
// The shared texts are those LoadMessages read; the run's own are read when
// the object is made. The package files sent stay in the temporary folder while the object
// lives (a wizard keeps them until it closes) and are deleted with it.
class MemberSync {
 public:
  explicit MemberSync(MemberSyncHost& host);
  ~MemberSync();
  MemberSync(const MemberSync&) = delete;
  MemberSync& operator=(const MemberSync&) = delete;

  // One run, from the preparation to the end of the download half.
  MemberSyncResult Run() noexcept;

 private:
  bool SendHalf();
  bool SendMembers();
  void AddLine(const std::string& text) noexcept;

  MemberSyncHost& mHost;
  MemberSyncTexts mTexts;
  engine::FSComprFile mCompressor;
  ExchangeSettings mSettings;
  std::vector<std::string> mTemporaryFiles;
};

}  // namespace tavex
