#include "members/MemberSync.h"

#include "download/DownloadLoop.h"
#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "i18n/HostConnection.h"
#include "i18n/Messages.h"
#include "members/MemberBundleScope.h"
#include "members/MemberPackage.h"
#include "storage/HostRunLock.h"
#include "storage/IgnoreFailure.h"
#include "storage/LoggedRun.h"
#include "storage/RunHistory.h"
#include "upload/PackageExport.h"
#include "upload/PackageSend.h"

namespace tavex {

namespace {

// Marks the rows `package` sent and records their keys under its name, in
// one transaction: a change of the site's own that a member bundle must not
// undo is known exactly when it counts as sent.
void MarkMembersSent(db::Connection& host, engine::Package& package,
                     const std::string& packageName) {
  host.BeginTrans(db::TransactionKind::Strict);
  try {
    if (!package.RunSourceStatements()) throw db::DbError(package.Errors().Item(1).Description());
    RecordMembersSent(host, packageName);
    host.CommitTrans();
  } catch (...) {
    IgnoreFailure([&] {
      if (host.InTransaction()) host.RollbackTrans();
    });
    throw;
  }
}

}  // namespace

MemberSync::MemberSync(DownloadHost& host, SendFailedFn sendFailed)
    : mHost(host), mSendFailed(std::move(sendFailed)), mTexts(ReadMemberSyncTexts()) {}

MemberSync::~MemberSync() { RemoveSentPackages(); }

void MemberSync::RemoveSentPackages() noexcept { mSentPackage.reset(); }

MemberSyncResult MemberSync::Run() noexcept {
  bool prepared = false;
  bool sent = false;
  const bool merged = RunLoggingFailure(
      Messages().Msg_DownloadData_Fault,
      [&] {
        mSettings = ExchangeSettings{};
        prepared = PrepareExchange(mSettings, [this](const std::string& line) { AddLine(line); });
        if (!prepared) return false;
        sent = SendHalf();
        return sent && DownloadLoop(mSettings, mCompressor, mHost).Run();
      },
      [this](const std::string& record) { mHost.FailureLogged(record); });
  if (!prepared) return MemberSyncResult::NotPrepared;
  if (!sent) return MemberSyncResult::SendFailed;
  if (!merged) return MemberSyncResult::DownloadFailed;
  RecordSuccessfulRun("members");
  return MemberSyncResult::Done;
}

bool MemberSync::SendHalf() {
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  if (!HasNewMemberData(*host, [this](const std::string& line) { AddLine(line); })) return true;
  return RunLoggingFailure(
      Messages().Msg_UploadData_Fault, [&] { return SendMembers(); },
      [this](const std::string& record) { mSendFailed(record); });
}

bool MemberSync::SendMembers() {
  const std::shared_ptr<db::Connection> host = ExchangeContext::Instance().Connection();
  NamePackageKind(mSettings, "-M");
  // From the staging to the marks: a second run re-staging in between would
  // have this one mark rows it never sent.
  const HostRunLock lock(*host, "members");
  if (!lock.Held()) {
    AddLine(Messages().Msg_UploadData_Busy);
    return false;
  }
  // A failure raised inside the export or the transfer is one of the run's.
  const ExportFailureFn raise = [](const std::string& description) {
    throw db::DbError(description);
  };
  AddLine(mTexts.Msg_Loading_Left + mSettings.gsBranchName + mTexts.Msg_Loading_Right);
  StageMemberRows(*host);
  const std::unique_ptr<engine::Package> sent = mHost.NewPackage();
  engine::Package& package = *sent;
  DefineMemberPackage(package, mSettings, mTexts, *host);
  mSentPackage = ExportPackageFile(
      package, mCompressor, mSettings, [this](const std::string& line) { AddLine(line); }, raise);
  if (!mSentPackage || !SendPackageFile(mSettings, {.shownName = mSettings.gsPkgName,
                                                    .run = mHost.View(),
                                                    .raised = raise,
                                                    .sweepBar = true})) {
    return false;
  }
  MarkMembersSent(*host, package, mSettings.gsFileName + ".pkg");
  return true;
}

void MemberSync::AddLine(const std::string& text) noexcept { AddRunLine(mHost.View(), text); }

}  // namespace tavex
