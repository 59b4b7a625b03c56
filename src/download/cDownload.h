#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "database/Connection.h"
#include "download/DownloadHost.h"
#include "engine/Package.h"
#include "framework/ProgressView.h"

namespace tavex {

// The unattended download run a host creates to fetch and merge, without
// any dialog, every package waiting for this branch on the FTP server (see
// DownloadLoop). It reports each step as a line of the progress list it is
// given and in the synchronisation log, and moves the progress bar it is
// given. It processes no user-interface events and cannot be cancelled.
class cDownload : private DownloadHost {
 public:
  cDownload();
  ~cDownload() override;
  cDownload(const cDownload&) = delete;
  cDownload& operator=(const cDownload&) = delete;

  // Loads the message texts, makes `vConnection` the shared host connection
  // and the exchange context's connection, and keeps the list and the bar,
  // which must outlive the runs. Failures inside are ignored step by step.
  // Must be called before Download.
  void Initialize(std::shared_ptr<db::Connection> vConnection, ProgressList& vListBox,
                  ProgressBar& vProgressBar);

  // Prepares the exchange and runs the download loop. True when both
  // succeed, also when no package was waiting; false otherwise, and before
  // Initialize. Never throws.
  bool Download();

  // The records the last Download wrote to the synchronisation log for
  // raised failures, one a line; empty when it wrote none.
  const std::string& Failure() const noexcept { return mFailure; }

  // The handler of the package's progress event: a line per table step (to
  // the list only, not the log), replaced by its row count when the step is
  // done, and the bar set from the package's own progress. Never cancels.
  void mPackage_Proccess(const std::string& PackageName, std::int32_t TotalCount,
                         std::int32_t TotalFinished, const std::string& CurrentExData,
                         std::int32_t CurrentCount, std::int32_t CurrentFinished, bool& Cancel,
                         bool NewExData);

 private:
  const RunView& View() override { return mView; }
  std::unique_ptr<engine::Package> NewPackage() override;
  void FailureLogged(const std::string& record) override;

  RunView mView;
  // The package in hand, kept until the next package or the end of the run's owner.
  std::string mFailure;
};

}  // namespace tavex
