#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/Package.h"
#include "framework/ProgressView.h"
#include "storage/TemporaryFile.h"
#include "transfer/PrepareExchange.h"
#include "upload/ReportPackage.h"
#include "upload/ReportTexts.h"

namespace tavex {

// Where a report run shows what it does. Every member may be left empty.
struct ReportRunView {
  // The lines, the bar the send sweeps, and the event pump called after
  // each line and each step of the bar (the wizard keeps its dialog alive).
  RunView run;
  // Shows a failure raised in the export or the send, as "导出数据失败：" or
  // "数据上传失败：" and its description (the wizard: a message box).
  std::function<void(const std::string&)> showFailure = {};
  // The package's progress events; empty: the lines and bar every run shows.
  engine::ProccessHandler onProgress = {};
};

// The run of the upload wizard, and of its unattended twin: defines the
// report and stock package the choice asks for (the host's connection is
// the exchange context's), exports and compresses it as the upload run does,
// and then either sends it to the server's upload folder or keeps a copy in
// the month's backup folder. Nothing in the host is marked as uploaded, so
// the run holds no transaction; one report run at a time per host database.
//
// The package is named as the upload run names its own, with "-R" added
// ("B01-yymmddHHMMSS-R.pkg"). The package file made in the temporary folder
// stays until the run object goes away (the wizard keeps it until it
// closes).
class ReportRun {
 public:
  // Reads the report texts now.
  explicit ReportRun(ReportRunView view);
  ~ReportRun();
  ReportRun(const ReportRun&) = delete;
  ReportRun& operator=(const ReportRun&) = delete;

  // One run: true when the package was defined, exported and then sent, or
  // with `exportOnly`, copied to BackupFile(). Nothing is thrown; a failure
  // raised inside is written to the synchronisation log (Failure()).
  bool Run(const ReportChoice& choice, bool exportOnly) noexcept;

  // The copy an export-only run kept; empty otherwise.
  const std::string& BackupFile() const noexcept { return mSettings.gsBckName; }
  // The record the last Run wrote to the log for a raised failure.
  const std::string& Failure() const noexcept { return mFailure; }

 private:
  // The run inside its failure guard. May throw.
  bool Steps(const ReportChoice& choice, bool exportOnly);
  bool DefinePackage(const ReportChoice& choice);
  bool ExportPackage();
  // Keeps a copy of the package in the month's backup folder.
  bool KeepCopy();
  bool SendPackage();
  void AddLine(const std::string& text) const noexcept;
  void ShowFailure(const std::string& text) const noexcept;

  ReportRunView mView;
  ReportTexts mTexts;
  ExchangeSettings mSettings;
  std::unique_ptr<engine::Package> mPackage;
  std::optional<TemporaryFile> mPackageFile;
  std::string mFailure;
};

}  // namespace tavex
