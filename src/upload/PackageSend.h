#pragma once

#include <functional>
#include <string>

#include "transfer/PrepareExchange.h"
#include "upload/PackageExport.h"

namespace tavex {

// How one sender shows the send of its package.
struct SendView {
  // The package as the uploading line names it.
  std::string shownName;
  AddLineFn addLine;
  // Receives the description of a failure raised during the send.
  ExportFailureFn raised;
  // When given, called after the connecting line (0), the folder line (1)
  // and the uploading line (2), before the work each announces.
  std::function<void(int line)> afterLine = {};
};

// The send every sender runs on an exported package: logs in to the FTP
// server of `settings` with a client of its own, opens the remote upload
// folder and puts settings.gsPkgName there under its own file name, a line
// for each step and for the outcome. True when the file is on the server.
// The client is logged out in every case, before a raised failure is handed
// to view.raised (which may throw it on).
bool SendPackageFile(const ExchangeSettings& settings, const SendView& view);

}  // namespace tavex
