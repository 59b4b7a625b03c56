#pragma once

#include <memory>
#include <string>

#include "engine/Package.h"
#include "framework/ProgressView.h"

namespace tavex {

// What the hosts of the download loop differ in: the unattended run
// (cDownload) and the wizards that download from their own screen. The loop
// itself is the same for all of them.
class DownloadHost {
 public:
  virtual ~DownloadHost() = default;

  // Where the loop shows its lines (each also a record of the
  // synchronisation log) and sweeps its bar; the unattended run gives no
  // event pump, a dialog gives its own.
  virtual const RunView& View() = 0;

  // A fresh package object for the next package, with the host's progress
  // handler attached.
  virtual std::unique_ptr<engine::Package> NewPackage() = 0;

  // Called with each record of a raised failure that the loop wrote to the
  // synchronisation log, so that a host can show the reason as well.
  virtual void FailureLogged(const std::string& /*record*/) {}
};

}  // namespace tavex
