#include "relay/cRelay.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

#include "database/AsciiText.h"
#include "download/DownloadLoop.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "framework/PluginFolder.h"
#include "i18n/HostConnection.h"
#include "i18n/Messages.h"
#include "members/MemberSyncTexts.h"
#include "storage/CreatePath.h"
#include "storage/DurableFile.h"
#include "storage/HostRunLock.h"
#include "storage/IgnoreFailure.h"
#include "storage/LocalTime.h"
#include "storage/LoggedRun.h"
#include "storage/RunHistory.h"
#include "storage/TemporaryFile.h"
#include "transfer/IniSection.h"
#include "transfer/clsFTP.h"
#include "trust/PackageIntake.h"
#include "trust/PackageSignature.h"
#include "trust/SiteRoster.h"

namespace tavex {

namespace {

constexpr const char* kRejectedFolder = "Rejected";

std::string Joined(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += (text.empty() ? "" : ", ") + folder;
  return text;
}

}  // namespace

void cRelay::Initialize(std::shared_ptr<db::Connection> connection, ProgressList* list,
                        ProgressBar* bar) noexcept {
  LoadMessages();
  mTexts = ReadRelayTexts();
  mCheckTexts = trust::ReadCheckTexts();
  IgnoreFailure([&] { ExchangeContext::Instance().SetConnection(connection); });
  mView = {.list = list, .bar = bar};
}

bool cRelay::Relay() noexcept {
  mFailure.clear();
  const bool result = RunLoggingFailure(
      mTexts.Msg_Relay_Failed, [&] { return Run(); },
      [&](const std::string& record) { mFailure = record; });
  if (!mDryRun) RecordRun("relay", result);
  AddLine("");
  return result;
}

bool cRelay::Run() {
  const MessageTexts& texts = Messages();
  const std::shared_ptr<db::Connection> host = RequireHostConnection();
  if (!PrepareExchange(mSettings, [this](const std::string& line) { AddLine(line); })) {
    return false;
  }
  if (mSettings.gsBranchID.empty()) {
    AddLine(mTexts.Msg_Relay_NoHeadOffice);
    return false;
  }
  const HostRunLock lock(*host, "relay");
  if (!lock.Held()) {
    AddLine(mTexts.Msg_Relay_Busy);
    return false;
  }
  mGathering.reset();
  mAnyGathered = false;
  mRules = ReadRelayRules(
      (std::filesystem::path(TransferOptionsFile()).parent_path() / "RELAY.INI").string());
  mLimits = trust::CurrentPackageLimits();
  mSignatureSettings = trust::CurrentSignatureSettings();
  mSignatures.emplace(*host, "relay", mSignatureSettings.required);
  mJournal.emplace(*host);
  if (mDryRun) AddLine(mTexts.Msg_Relay_DryRun);

  clsFTP ftp;
  AddLine(texts.Msg_FTP_Connect + mSettings.gsFtpHost + " ...");
  if (!ftp.Connect(mSettings.gsFtpHost, mSettings.gsFtpUID, mSettings.gsFtpPSW)) {
    AddLine(texts.Msg_FTP_Connect_Fault);
    return false;
  }
  AddLine(texts.Msg_FTP_SetFtpDir + kDownloadRoot + " ...");
  if (!ftp.SetFtpDir(kDownloadRoot)) {
    AddLine(mTexts.Msg_Relay_Folders_Fault + kDownloadRoot);
    return false;
  }
  mBranchFolders = ftp.GetDirFolders();
  if (ftp.ListingFailed()) {
    // Sending member packages to head office alone would lose them for
    // every branch.
    AddLine(mTexts.Msg_Relay_Folders_Fault + kDownloadRoot);
    return false;
  }
  // The chain's sites are the folders under ForDownload.
  trust::SiteRoster roster(*host);
  roster.Add(mBranchFolders);
  mKnownSites = roster.Sites();
  AddLine(texts.Msg_FTP_SetFtpDir + mSettings.gsUploadPath + " ...");
  if (!ftp.SetFtpDir(mSettings.gsUploadPath)) {
    AddLine(texts.Msg_FTP_SetFtpDir_Fault);
    return false;
  }
  const std::vector<std::string> names = PackageNames(ftp.GetDirFile());
  if (ftp.ListingFailed()) {
    AddLine(mTexts.Msg_Relay_Folders_Fault + mSettings.gsUploadPath);
    return false;
  }
  if (names.empty()) {
    AddLine(mTexts.Msg_Relay_NoFiles);
    return true;
  }
  const bool all = RelayAll(ftp, names);
  IgnoreFailure([&] { ftp.DisConnect(); });
  return all;
}

bool cRelay::RelayAll(clsFTP& ftp, const std::vector<std::string>& names) {
  AddLine(mTexts.Msg_Relay_FileCount_Left + " " + std::to_string(names.size()) + " " +
          mTexts.Msg_Relay_FileCount_Right);
  if (mView.bar != nullptr) {
    mView.bar->SetMin(0);
    mView.bar->SetMax(static_cast<double>(names.size()));
    mView.bar->SetValue(0);
  }
  bool all = true;
  // The senders one of whose packages failed here: their later ones wait,
  // so that none overtakes it.
  std::set<std::string> waiting;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    mStarted = std::chrono::steady_clock::now();
    AddLine(std::to_string(i + 1) + ". " + name);
    const std::optional<trust::PackageName> named = trust::ReadPackageName(name);
    if (!named) {
      all = Reject(ftp, name, mTexts.Msg_Relay_Refused, mCheckTexts.Msg_Check_NoSender + name) !=
                Relayed::Failed &&
            all;
    } else if (named->kind == trust::PackageKind::MemberBundle) {
      all = Reject(ftp, name, mTexts.Msg_Relay_Refused, mTexts.Msg_Relay_BundleRefused + name) !=
                Relayed::Failed &&
            all;
    } else if (waiting.contains(AsciiLower(named->sender))) {
      AddLine(mCheckTexts.Msg_Check_Waits + name);
      all = false;
    } else if (RelayPackage(ftp, name, *named) == Relayed::Failed) {
      waiting.insert(AsciiLower(named->sender));
      all = false;
    }
    if (mView.bar != nullptr) mView.bar->SetValue(static_cast<double>(i + 1));
  }
  if (mDryRun && mAnyGathered) AddLine(mTexts.Msg_Relay_BundleTo + Joined(BundleDestinations()));
  if (mGathering && !mGathering->packages.empty()) all = SendBundle(ftp) && all;
  return all;
}

cRelay::Relayed cRelay::RelayPackage(clsFTP& ftp, const std::string& name,
                                     const trust::PackageName& named) {
  const std::string work = mSettings.gsTempPath + "Relay/";
  const std::string local = work + name;
  TemporaryFile fetched(local);
  const TemporaryFile files[] = {TemporaryFile(local + ".mdb"), TemporaryFile(local + ".signed")};

  AddLine(mTexts.Msg_Relay_Fetch + name + " ...");
  if (!CreatePath(work)) {
    AddLine(mCheckTexts.Msg_Check_Local + mCheckTexts.Msg_Check_Unwritable + work);
    return Relayed::Failed;
  }
  if (!ftp.SetFtpDir(mSettings.gsUploadPath) || !ftp.GetFile(name, local)) {
    AddLine(mTexts.Msg_Relay_Fetch_Fault + name);
    return Relayed::Failed;
  }
  AddLine(mTexts.Msg_Relay_Check);
  // Who sent it, before anything reads what it holds.
  const trust::SignatureVerdict signature =
      mSignatures->Check(local, named.sender, named.kind, false);
  if (!signature.accepted) return Reject(ftp, name, mTexts.Msg_Relay_Refused, signature.reason);
  if (signature.listedUnsigned) AddLine(mCheckTexts.Msg_Check_UnsignedTaken + name);
  const Verdict verdict = Check(local, named);
  switch (verdict.outcome) {
    case trust::IntakeStep::Outcome::Done:
      break;
    case trust::IntakeStep::Outcome::Refused:
      return verdict.damaged ? Reject(ftp, name, mTexts.Msg_Relay_Rejected, verdict.reason)
                             : Reject(ftp, name, mTexts.Msg_Relay_Refused, verdict.reason);
    default:
      AddLine(mCheckTexts.Msg_Check_Local + verdict.reason);
      return Relayed::Failed;
  }

  const bool members = named.kind == trust::PackageKind::Members;
  if (members && mRules.bundleMembers) {
    return Gather(ftp, name, named, signature, std::move(fetched), local + ".mdb");
  }
  const std::vector<std::string> destinations =
      Destinations(members, named.sender, mBranchFolders, mSettings.gsBranchID, mRules);
  if (destinations.empty()) {
    return Reject(ftp, name, mTexts.Msg_Relay_NoDestination, mTexts.Msg_Relay_NoDestination);
  }
  AddLine((members ? mTexts.Msg_Relay_Members : mTexts.Msg_Relay_Others) + Joined(destinations));
  if (mDryRun) return Relayed::Done;

  // Head office keeps the sender's own signature; the branches get head
  // office's, so that they need to know one key only.
  const std::optional<std::string> forBranches = SignedForBranches(local, named);
  if (!forBranches) return Relayed::Failed;
  for (const std::string& folder : destinations) {
    AddLine(mTexts.Msg_Relay_Put + std::string(kDownloadRoot) + "/" + folder + " ...");
    const bool branch = folder != mSettings.gsBranchID;
    if (!ftp.SetFtpDir(std::string(kDownloadRoot) + "\\" + folder) ||
        !ftp.PutFile(name, branch ? *forBranches : local)) {
      // The package stays where it is; the next run sends it again.
      AddLine(mTexts.Msg_Relay_Put_Fault + name);
      return Relayed::Failed;
    }
  }
  if (!ftp.SetFtpDir(mSettings.gsUploadPath) || !ftp.DeleteFile(name)) {
    AddLine(mTexts.Msg_Relay_Delete_Fault + name);
    return Relayed::Failed;
  }
  AddLine(mTexts.Msg_Relay_Done + name);
  // Remembered, so that the same package sent again is refused.
  IgnoreFailure([&] { mSignatures->RecordNow(signature, named.sender); });
  JournalEntry entry = EntryFor(name, "routed");
  if (signature.signature) entry.signer = signature.signature->signer;
  entry.folders = destinations;
  Journal(entry);
  return Relayed::Done;
}

cRelay::Relayed cRelay::Gather(clsFTP& ftp, const std::string& name,
                               const trust::PackageName& named,
                               const trust::SignatureVerdict& signature, TemporaryFile package,
                               const std::string& database) {
  mAnyGathered = true;
  if (mDryRun) {
    AddLine(mTexts.Msg_Relay_Gathered + name);
    return Relayed::Done;
  }
  if (!mGathering) {
    mGathering = std::make_unique<Gathering>(mSettings.gsTempPath + "Relay/" +
                                             mSettings.gsBranchID + "-members.work");
  }
  try {
    mGathering->builder.Add(named.sender, name, database);
  } catch (const trust::PackageRefused& refused) {
    return Reject(ftp, name, mTexts.Msg_Relay_Refused,
                  mTexts.Msg_Relay_NotBundled + refused.what());
  }
  AddLine(mTexts.Msg_Relay_Gathered + name);
  mGathering->packages.push_back({name, named.sender, signature, mStarted, std::move(package)});
  return Relayed::Done;
}

bool cRelay::SendBundle(clsFTP& ftp) {
  const std::unique_ptr<Gathering> gathering = std::move(mGathering);
  const std::string name = mSettings.gsBranchID + "-" +
                           BundleStamp(std::chrono::system_clock::now()) +
                           std::string(trust::kMemberBundleNameSuffix) + ".pkg";
  const std::string local = mSettings.gsTempPath + "Relay/" + name;
  const TemporaryFile bundle(local), database(local + ".mdb");
  AddLine(mTexts.Msg_Relay_Bundle + name + " ...");
  engine::Package package;
  package.PackageID(mTexts.Msg_Relay_BundleName + NowText());
  package.Sender(mSettings.gsBranchID);
  if (!gathering->builder.Build(package, ReadMemberSyncTexts(), database.Path())) {
    const engine::Errors& errors = package.Errors();
    for (std::int32_t i = 1; i <= errors.Count(); ++i) {
      AddLine(mTexts.Msg_Relay_Bundle_Fault + errors.Item(i).Description());
    }
    return false;
  }
  // Signed like everything head office sends: every site takes a bundle from
  // head office only. A chain that signs gets no unsigned bundle.
  const std::unique_ptr<engine::FrameAhead> signer =
      trust::SignerOfOwnPackage(bundle.Path(), mSettings.gsBranchID);
  if (!signer && (mSignatureSettings.resign || mSignatureSettings.required)) {
    AddLine(mCheckTexts.Msg_Check_NoKey + PluginFolder());
    return false;
  }
  engine::FSComprFile compressor;
  compressor.SourceFile(database.Path());
  compressor.TargetFile(bundle.Path());
  compressor.Compress(signer.get());
  if (compressor.ErrorCode() != engine::FSComprFile::kNoError) {
    AddLine(mTexts.Msg_Relay_Bundle_Fault + Messages().Msg_ExportData_Compress_Fault);
    return false;
  }
  const std::vector<std::string> destinations = BundleDestinations();
  AddLine(mTexts.Msg_Relay_BundleTo + Joined(destinations));
  for (const std::string& folder : destinations) {
    AddLine(mTexts.Msg_Relay_Put + std::string(kDownloadRoot) + "/" + folder + " ...");
    if (!ftp.SetFtpDir(std::string(kDownloadRoot) + "\\" + folder) ||
        !ftp.PutFile(name, bundle.Path())) {
      // The member packages stay where they are; the next run bundles them
      // again, which the sites that have this bundle absorb.
      AddLine(mTexts.Msg_Relay_Put_Fault + name);
      return false;
    }
  }
  bool all = true;
  for (Gathered& gathered : gathering->packages) {
    if (!ftp.SetFtpDir(mSettings.gsUploadPath) || !ftp.DeleteFile(gathered.name)) {
      AddLine(mTexts.Msg_Relay_Delete_Fault + gathered.name);
      all = false;
      continue;
    }
    AddLine(mTexts.Msg_Relay_Done + gathered.name);
    IgnoreFailure([&] { mSignatures->RecordNow(gathered.signature, gathered.sender); });
    mStarted = gathered.started;
    JournalEntry entry = EntryFor(gathered.name, "routed");
    if (gathered.signature.signature) entry.signer = gathered.signature.signature->signer;
    entry.folders = destinations;
    Journal(entry);
  }
  return all;
}

std::vector<std::string> cRelay::BundleDestinations() const {
  std::vector<std::string> branches = mBranchFolders;
  std::sort(branches.begin(), branches.end());
  return Destinations(true, "", branches, mSettings.gsBranchID, mRules);
}

std::optional<std::string> cRelay::SignedForBranches(const std::string& local,
                                                     const trust::PackageName& named) {
  if (!mSignatureSettings.resign) return local;
  const std::string folder = PluginFolder();
  const std::optional<trust::SiteKey> key = trust::SiteKey::Load(folder);
  if (!key) {
    AddLine(mCheckTexts.Msg_Check_NoKey + folder);
    return std::nullopt;
  }
  const std::string copy = local + ".signed";
  trust::SignedPackage package;
  package.signer = mSettings.gsBranchID;
  package.sender = named.sender;
  package.kind = named.kind;
  package.sequence = trust::ReserveSequence(folder);
  trust::SignPackageFile(local, *key, package, copy);
  return copy;
}

cRelay::Verdict cRelay::Check(const std::string& local, const trust::PackageName& named) {
  trust::PackageIntake intake(local, local + ".mdb", mLimits);
  engine::FSComprFile compressor;
  engine::Package package;
  trust::IntakeStep step = intake.Unpack(compressor);
  // Too large is no damage; everything else the engine refuses is.
  const bool tooLarge = !step.Done() && !step.reason.empty();
  if (step.Done()) step = intake.Open();
  if (step.Done()) step = intake.Check(package);
  const bool damaged = !step.Done() && !tooLarge;
  if (step.Done()) {
    step = intake.Admit({&trust::ExchangeKindRules(named.kind), named.sender, mKnownSites});
  }
  if (step.Done()) step = intake.CheckRows();
  std::string reason = step.reason;
  if (reason.empty() && package.Errors().Count() > 0) {
    reason = package.Errors().Item(1).Description();
  }
  return {step.outcome, damaged, reason.empty() ? mTexts.Msg_Relay_Rejected : reason};
}

cRelay::Relayed cRelay::Reject(clsFTP& ftp, const std::string& name, const std::string& line,
                               const std::string& reason) {
  if (mDryRun) {
    AddLine(line + name);
    return Relayed::Rejected;
  }
  if (!ftp.SetFtpDir(mSettings.gsUploadPath) || !ftp.MoveToFolder(name, kRejectedFolder)) {
    AddLine(mTexts.Msg_Relay_Reject_Fault + name);
    return Relayed::Failed;
  }
  AddLine(line + name);
  if (reason != line) AddLine(reason);
  JournalEntry entry = EntryFor(name, "rejected");
  entry.reason = reason;
  entry.folders = {mSettings.gsUploadPath + "/" + kRejectedFolder};
  Journal(entry);
  // The reason beside the package, for whoever looks into the folder; the
  // package is set aside whether or not it gets there.
  IgnoreFailure([&] {
    const std::string work = mSettings.gsTempPath + "Relay/";
    const std::string note = work + name + ".txt";
    const TemporaryFile noteFile(note);
    CreatePath(work);
    WriteFileDurably(note, reason + "\n");
    ftp.SetFtpDir(mSettings.gsUploadPath + "\\" + kRejectedFolder);
    ftp.PutFile(name + ".txt", note);
  });
  return Relayed::Rejected;
}

JournalEntry cRelay::EntryFor(const std::string& name, std::string outcome) const {
  JournalEntry entry =
      PackageEntry("relay", std::move(outcome), name, mSettings.gsTempPath + "Relay/" + name);
  entry.millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - mStarted)
                     .count();
  return entry;
}

// The package has gone where it goes whether or not its row is written; a
// journal that cannot be written is logged.
void cRelay::Journal(const JournalEntry& entry) noexcept {
  RunLoggingFailure(
      mTexts.Msg_Relay_Failed,
      [&] {
        mJournal->Write(entry);
        return true;
      },
      [](const std::string&) {});
}

void cRelay::AddLine(const std::string& text) noexcept { AddRunLine(mView, text); }

}  // namespace tavex
