#pragma once

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

  // Adds one progress line: the new last line of the list, selected, and a
  // record of the synchronisation log. Must not throw.
  virtual void AddLine(const std::string& text) = 0;

  // The bar that the loop's sweeps move.
  virtual ProgressBar& Bar() = 0;

  // Called after every step of every sweep. The unattended run does nothing
  // here; a dialog processes its pending user-interface events.
  virtual void SweepStep() {}

  // A fresh package object for the next package, with the host's progress
  // handler attached. The host keeps it until the next call.
  virtual engine::Package& NewPackage() = 0;

  // Called with each record of a raised failure that the loop wrote to the
  // synchronisation log, so that a host can show the reason as well.
  virtual void FailureLogged(const std::string& /*record*/) {}
};

}  // namespace tavex
