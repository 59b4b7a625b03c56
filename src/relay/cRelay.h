#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "framework/ProgressView.h"
#include "relay/PackageRoute.h"
#include "relay/RelayTexts.h"
#include "transfer/PrepareExchange.h"

namespace tavex {

class clsFTP;

// Head office's relay: takes every package file waiting in the server's
// upload folder, in listing order, and puts it into the download folders of
// the sites that need it: a member package into every branch's folder and
// head office's but its sender's, every other package into head office's
// folder ("ForDownload/" + setting 801 of the relay's host database), plus
// the additions of "Octopus/RELAY.INI". The package is read with the
// package engine (unpacked and checked, never imported) to learn what it
// carries.
//
// A package leaves the upload folder only once every destination holds it,
// so a run that dies half-way sends it again next time, which the receiving
// sites absorb (each incoming record replaces its earlier copy). A package
// that cannot be unpacked or checked, or that has nowhere to go, is moved to
// "Rejected/" inside the upload folder, never deleted, and the run goes on.
// Every step is a line of the list and of the synchronisation log.
class cRelay {
 public:
  // `connection` becomes the shared host connection; `list` and `bar` must
  // outlive every Relay (either may be null).
  void Initialize(std::shared_ptr<db::Connection> connection, ProgressList* list,
                  ProgressBar* bar) noexcept;
  // Only reads and checks the packages and shows their routes: nothing on
  // the server changes.
  void DryRun(bool dryRun) { mDryRun = dryRun; }

  // True when every waiting package was relayed or rejected, including when
  // none waited. A failure raised inside is logged ("转发失败：" and its
  // description) and kept in Failure(); nothing is thrown.
  bool Relay() noexcept;
  const std::string& Failure() const noexcept { return mFailure; }

 private:
  bool Run();
  bool RelayPackage(clsFTP& ftp, const std::string& name);
  bool Reject(clsFTP& ftp, const std::string& name, const std::string& line);
  // The receiving tables of the package in local file `path`; nullopt when it
  // cannot be unpacked or fails its check.
  std::optional<std::vector<std::string>> ReadTables(const std::string& path);
  void AddLine(const std::string& text) noexcept;

  ProgressList* mList = nullptr;
  ProgressBar* mBar = nullptr;
  bool mDryRun = false;
  ExchangeSettings mSettings;
  RelayTexts mTexts;
  RelayRules mRules;
  std::vector<std::string> mBranchFolders;
  std::string mFailure;
};

}  // namespace tavex
