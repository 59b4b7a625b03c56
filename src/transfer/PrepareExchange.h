#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace tavex {

// What one upload, download or member run needs to know about where its
// packages go: filled by PrepareExchange, held by the run for its lifetime.
// Local folders end with '/'; remote folders use '\' as the FTP client takes
// them.
struct ExchangeSettings {
  std::string gsBranchID;      // setting 801, as stored
  std::string gsBranchName;    // setting 802
  std::string gsUploadPath;    // "ForUpload"
  std::string gsDownloadPath;  // "ForDownload\" + gsBranchID
  std::string gsTempPath;      // <plug-in folder>/Temp/
  std::string gsErrorPath;     // <plug-in folder>/ErrPackage/YYYY-MM/
  std::string gsBackupPath;    // <plug-in folder>/BckPackage/YYYY-MM/
  std::string gsFileName;      // gsBranchID + "-" + yymmddHHMMSS
  std::string gsMdbName;       // gsTempPath + gsFileName + ".mdb"
  std::string gsPkgName;       // gsTempPath + gsFileName + ".pkg"
  std::string gsBckName;       // set by the upload wizard only
  std::string gsFtpHost;       // setting 1001, or the DDNS answer
  std::string gsFtpUID;        // setting 1002
  std::string gsFtpPSW;        // setting 1003
  std::string gsFtpPort;       // setting 1004 (carried; the FTP client has its own port)
};

// Adds one progress line: to the caller's list and to the synchronisation log.
using AddLineFn = std::function<void(const std::string&)>;
// The local clock, read once for each field that carries a date.
using ClockFn = std::function<std::chrono::system_clock::time_point()>;

// Fills `settings` from the settings store of the exchange context, creates
// the local folders, and resolves the FTP server address, through the DDNS
// service when setting 2004 says "true" (any case). Returns false, after one
// line through `addLine`, when the DDNS service does not answer, the DDNS
// login is refused, or no server address is set. Failures of the settings
// store are not caught here.
bool PrepareExchange(ExchangeSettings& settings, const AddLineFn& addLine,
                     const ClockFn& now = std::chrono::system_clock::now);

// Gives the package of this run a name of its kind: `suffix` after the time
// stamp of settings.gsFileName, and the package paths to match. Runs of
// different kinds may start in the same second, and with one name the later
// package would replace the earlier on the server before anyone fetched it.
void NamePackageKind(ExchangeSettings& settings, std::string_view suffix);

}  // namespace tavex
