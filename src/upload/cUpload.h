#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "database/Connection.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "framework/ProgressView.h"
#include "storage/TemporaryFile.h"
#include "transfer/PrepareExchange.h"
#include "transfer/clsFTP.h"

namespace tavex {

// The unattended upload run a host starts without a dialog: it stages the
// bills not yet uploaded, exports them into a package database, compresses
// that into a package file and puts the file into the server's upload
// folder. No transaction stays open on the host while the package is built
// and sent; only once the file is on the server are exactly the staged rows
// marked as uploaded, in one short strict transaction. Every failure before
// leaves the rows unmarked, so they go with the next run (the receiving side
// replaces what it already has). Each step is reported as a line of the
// host's progress list and of the synchronisation log.
//
// Use: Initialize once, then Upload any number of times, on one thread.
class cUpload {
 public:
  cUpload() = default;
  cUpload(const cUpload&) = delete;
  cUpload& operator=(const cUpload&) = delete;

  // Loads the message texts, makes `vConnection` the process-wide host
  // connection (and the exchange context's), and keeps the list and the bar,
  // which must outlive every Upload (either may be null). Failures inside
  // are ignored.
  void Initialize(std::shared_ptr<db::Connection> vConnection, ProgressList* vListBox,
                  ProgressBar* vProgressBar) noexcept;

  // One run. True only when the package was built, compressed and sent and
  // the marks were committed. Nothing is thrown; the run ends with an empty
  // line and leaves no file in the temporary folder. A failure raised inside
  // (the host database locked or missing, a statement failing) is written to
  // the synchronisation log, "数据上传失败：" and its description.
  bool Upload() noexcept;

  // The record the last Upload wrote to the log for a raised failure; empty
  // when it wrote none.
  const std::string& Failure() const noexcept { return mFailure; }
  // The last Upload found no bill waiting (and said so): a quiet night,
  // which Upload reports as false, is no failure of a scheduled run.
  bool NothingToSend() const noexcept { return mNothingToSend; }

  // The handler of the package's progress event: a "copying" line when a
  // step starts (list only, not the log), replaced by the "copied" summary
  // when the step is done, and the bar set to the share of steps reached.
  void mPackage_Proccess(const std::string& packageName, std::int32_t totalCount,
                         std::int32_t totalFinished, const std::string& currentExData,
                         std::int32_t currentCount, std::int32_t currentFinished, bool& cancel,
                         bool newExData);

 private:
  // The run from the preparation to the marks; its result. May throw.
  bool Run();
  bool DefinePackage();
  bool ExportPackage();
  bool SendPackage();
  void AddLine(const std::string& text) noexcept;

  RunView mView;
  std::unique_ptr<engine::Package> mPackage;
  // Paths deleted at the end of a run, when a file is there.
  std::optional<TemporaryFile> mPackageFile;
  ExchangeSettings mSettings;
  // Held during Upload only.
  std::unique_ptr<engine::FSComprFile> mCompressor;
  std::unique_ptr<clsFTP> mProbe;  // the connectivity test's client
  std::string mFailure;
  bool mNothingToSend = false;
};

}  // namespace tavex
