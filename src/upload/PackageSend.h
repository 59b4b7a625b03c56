#pragma once

#include <string>

#include "database/Connection.h"
#include "engine/Package.h"
#include "engine/RunProgress.h"
#include "transfer/PrepareExchange.h"
#include "upload/PackageExport.h"

namespace tavex {

// How one sender shows the send of its package.
struct SendView {
  // The package as the uploading line names it.
  std::string shownName;
  // Where the send's lines go (each also a record of the synchronisation
  // log) and the bar it sweeps.
  RunView run;
  // Receives the description of a failure raised during the send.
  ExportFailureFn raised;
  // Sweeps the bar through its first four fifths while the send connects,
  // opens the folder and uploads: for runs whose bar has nothing else to
  // show meanwhile.
  bool sweepBar = false;
};

// The send every sender runs on an exported package: logs in to the FTP
// server of `settings` with a client of its own, opens the remote upload
// folder and puts settings.gsPkgName there under its own file name, a line
// for each step and for the outcome. True when the file is on the server.
// The client is logged out in every case, before a raised failure is handed
// to view.raised (which may throw it on).
bool SendPackageFile(const ExchangeSettings& settings, const SendView& view);

// Once the package is on the server, its rows count as sent: runs the
// package's deferred source statements (the marks) on `host` in one write
// transaction. A failing statement rolls them all back and raises
// db::DbError with its description; a run that ends before the marks sends
// the same rows again next time, and the receiving side replaces its copies.
void MarkPackageSent(db::Connection& host, engine::Package& package);

}  // namespace tavex
