#pragma once

#include <functional>
#include <optional>
#include <string>

#include "download/DownloadHost.h"
#include "engine/FSComprFile.h"
#include "members/MemberSyncTexts.h"
#include "storage/TemporaryFile.h"
#include "transfer/PrepareExchange.h"

namespace tavex {

// Shows the record of a failure raised while sending, "数据上传失败：" and
// its description, already written to the synchronisation log: the wizard
// in a message box, the command on its error stream.
using SendFailedFn = std::function<void(const std::string& record)>;

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
// host, whose packages (the one sent and each one fetched) raise their
// progress events to the host's handler, so its cancel serves the export
// and the imports alike; nothing is thrown.
//
// The shared texts are those LoadMessages read; the run's own are read when
// the object is made. The package files sent stay in the temporary folder while the object
// lives (a wizard keeps them until it closes) and are deleted with it.
class MemberSync {
 public:
  MemberSync(DownloadHost& host, SendFailedFn sendFailed);
  ~MemberSync();
  MemberSync(const MemberSync&) = delete;
  MemberSync& operator=(const MemberSync&) = delete;

  // One run, from the preparation to the end of the download half.
  MemberSyncResult Run() noexcept;

  // Deletes the package files sent so far from the temporary folder.
  void RemoveSentPackages() noexcept;

 private:
  bool SendHalf();
  bool SendMembers();
  void AddLine(const std::string& text) noexcept;

  DownloadHost& mHost;
  SendFailedFn mSendFailed;
  MemberSyncTexts mTexts;
  engine::FSComprFile mCompressor;
  ExchangeSettings mSettings;
  std::optional<TemporaryFile> mSentPackage;
};

}  // namespace tavex
