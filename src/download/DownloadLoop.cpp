#include "download/DownloadLoop.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

#include "database/AsciiText.h"
#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "i18n/HostConnection.h"
#include "i18n/Messages.h"
#include "members/MemberBundleScope.h"
#include "storage/DurableFile.h"
#include "storage/HostRunLock.h"
#include "storage/IgnoreFailure.h"
#include "storage/LoggedRun.h"
#include "storage/RunHistory.h"
#include "transfer/FtpListing.h"
#include "transfer/clsFTP.h"
#include "trust/PackageIntake.h"
#include "trust/PackageKinds.h"
#include "trust/PackageName.h"
#include "trust/SiteRoster.h"

namespace tavex {

namespace {

constexpr std::string_view kPackageEnding = ".pkg";

// The bar's share of one step of the run: the server's part once per run,
// then the package's part once per package. Opening the package database
// and checking it sweep the same range.
constexpr SweepRange kSweepConnect{1, 150};
constexpr SweepRange kSweepOpenFolder{151, 300};
constexpr SweepRange kSweepFetch{301, 500};
constexpr SweepRange kSweepBackup{501, 600};
constexpr SweepRange kSweepDelete{601, 700};
constexpr SweepRange kSweepOpenPackage{701, 800};
constexpr SweepRange kSweepCheck{701, 800};
constexpr SweepRange kSweepImport{801, 1000};

void Sweep(DownloadHost& host, SweepRange range) { SweepRunBar(host.View(), range); }

}  // namespace

bool PrepareAndDownload(ExchangeSettings& settings, engine::FSComprFile& compressor,
                        DownloadHost& host) noexcept {
  // The preparation reads the settings store, which may fail too.
  return RunLoggingFailure(
      Messages().Msg_DownloadData_Fault,
      [&] {
        return PrepareExchange(settings,
                               [&](const std::string& text) { AddRunLine(host.View(), text); }) &&
               DownloadLoop(settings, compressor, host).Run();
      },
      [&](const std::string& record) { host.FailureLogged(record); });
}

std::string PackageBaseName(const std::string& name) {
  std::string base;
  for (std::size_t at = 0; at < name.size();) {
    if (name.compare(at, kPackageEnding.size(), kPackageEnding) == 0) {
      at += kPackageEnding.size();
    } else {
      base += name[at++];
    }
  }
  return base;
}

std::vector<std::string> PackageNames(const std::vector<std::string>& listing) {
  std::vector<std::string> names;
  for (const std::string& name : listing) {
    // The name becomes a local path below the temporary folder: one that
    // could leave it is never used, whatever the listing held.
    if (EndsWithNoCase(name, kPackageEnding) && IsSafeRemoteName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
    return std::pair(AsciiLower(x), x) < std::pair(AsciiLower(y), y);
  });
  return names;
}

DownloadLoop::DownloadLoop(const ExchangeSettings& settings, engine::FSComprFile& compressor,
                           DownloadHost& host)
    : mSettings(settings),
      mCompressor(compressor),
      mHost(host),
      mPending(settings.gsTempPath + "Pending/"),
      mTexts(trust::ReadCheckTexts()),
      mLimits(trust::CurrentPackageLimits()) {}

DownloadLoop::~DownloadLoop() = default;

bool DownloadLoop::Run() {
  std::unique_ptr<clsFTP> ftp;
  const bool result = RunLogged([&] {
    const std::shared_ptr<db::Connection> host = RequireHostConnection();
    // A second run on the same host would fetch the same files into the same
    // temporary folder and could unpack one while the other still writes it:
    // a sound package filed as damaged, and never tried again.
    const HostRunLock lock(*host, "download");
    if (!lock.Held()) {
      AddLine(Messages().Msg_DownloadData_Busy);
      return false;
    }
    mKnownSites = trust::SiteRoster(*host).Sites();
    mSignatures.emplace(*host, "download", trust::CurrentSignatureSettings().required);
    mJournal.emplace(*host);
    mJournal->Prune(JournalKeepDays(), std::chrono::system_clock::now());
    mGroup.emplace(host, TempFile("Group.db"));
    ftp = std::make_unique<clsFTP>();
    return MergePending() && FetchAndMergeAll(*ftp) && !mAnyFiled;
  });
  if (ftp) IgnoreFailure([&] { ftp->DisConnect(); });
  RecordRun("download", result);
  return result;
}

bool DownloadLoop::MergePending() {
  for (const std::string& name : mPending.Names()) {
    AddLine(Messages().Msg_PKG_Resume + name);
    if (Settle(
            name, [&] { return RestoreTemporaryCopy(name); }, true) == Settled::Waits) {
      DiscardGroup();
      return false;
    }
  }
  return MergeGroup();
}

// A pending package whose temporary copy is gone is merged from its backup
// copy; with neither left there is nothing to merge.
bool DownloadLoop::RestoreTemporaryCopy(const std::string& name) {
  if (std::filesystem::exists(TempFile(name))) return true;
  const std::string backup = mPending.BackupCopy(name);
  if (backup.empty() || !std::filesystem::exists(backup)) {
    AddLine(Messages().Msg_PKG_Resume_Lost + name);
    return false;
  }
  LinkOrCopy(backup, TempFile(name));
  return true;
}

bool DownloadLoop::FetchAndMergeAll(clsFTP& ftp) {
  const MessageTexts& texts = Messages();
  AddLine(texts.Msg_FTP_Connect + mSettings.gsFtpHost + " ...");
  Sweep(mHost, kSweepConnect);
  if (!ftp.Connect(mSettings.gsFtpHost, mSettings.gsFtpUID, mSettings.gsFtpPSW)) {
    AddLine(texts.Msg_FTP_Connect_Fault);
    return false;
  }
  AddLine(texts.Msg_FTP_SetFtpDir + mSettings.gsDownloadPath + " ...");
  Sweep(mHost, kSweepOpenFolder);
  if (!ftp.SetFtpDir(mSettings.gsDownloadPath)) {
    AddLine(texts.Msg_FTP_SetFtpDir_Fault);
    return false;
  }
  const std::vector<std::string> names = PackageNames(ftp.GetDirFile());
  if (names.empty()) {
    AddLine(texts.Msg_FTP_NoFilesToDownload);
    FillRunBar(mHost.View());
    return true;
  }
  AddLine(texts.Msg_FTP_FileCount_Left + " " + std::to_string(names.size()) + " " +
          texts.Msg_FTP_FileCount_Right);
  for (std::size_t i = 0; i < names.size(); ++i) {
    AddLine(std::to_string(i + 1) + ". " + names[i]);
  }
  AddLine(texts.Msg_FTP_Download);
  mFetching = {&ftp, &names};
  // Packages fetched ahead and never taken up wait for the next run, their
  // attempt not counted.
  struct Untaken {
    DownloadLoop& loop;
    ~Untaken() {
      loop.mAhead.Stop();
      for (const std::size_t i : loop.mAhead.Untaken()) {
        IgnoreFailure([&] { loop.mPending.SetAttempts((*loop.mFetching.names)[i], 0); });
      }
      loop.mFetching = {};
    }
  } untaken{*this};
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (FetchAndMerge(i) == Settled::Waits) {
      DiscardGroup();
      return false;
    }
  }
  return MergeGroup();
}

DownloadLoop::Settled DownloadLoop::FetchAndMerge(std::size_t index) {
  bool fetched = false;
  if (std::optional<FetchAhead::Fetched> ahead = mAhead.Take(index)) {
    for (const FetchShown& shown : ahead->shown) Show(shown);
    if (ahead->failure) std::rethrow_exception(ahead->failure);
    fetched = ahead->fetched;
  } else {
    fetched = Fetch(index, [this](const FetchShown& shown) { Show(shown); });
    mFetching.end = index + 1;
  }
  if (!fetched) return Settled::Waits;
  return Settle((*mFetching.names)[index], [] { return true; }, false);
}

// Fetches the run's `index`th package into the temporary folder, makes its
// backup copy, records it pending and deletes the server's copy, showing
// each step through `view`; false when the server failed.
bool DownloadLoop::Fetch(std::size_t index, const FetchView& view) {
  const MessageTexts& texts = Messages();
  const std::string& name = (*mFetching.names)[index];
  clsFTP& ftp = *mFetching.ftp;
  view(std::to_string(index + 1) + ". " + texts.Msg_FTP_Downloading + name + " ...");
  view(kSweepFetch);
  // A run that died while it fetched this package left part of it behind.
  IgnoreFailure([&] { RemoveUncommitted(TempFile(name)); });
  if (!ftp.GetFile(name, TempFile(name))) {
    view(texts.Msg_FTP_Download_Fault);
    return false;
  }
  view(texts.Msg_FTP_Downloaded);
  view(kSweepBackup);
  // The fetched file is on the disk already: its backup copy is the same
  // file by a second name.
  const std::string backup = mSettings.gsBackupPath + name;
  LinkOrCopyDurably(TempFile(name), backup);
  view(texts.Msg_FTP_Delete);
  view(kSweepDelete);
  // Its merge follows (a package fetched ahead: once the group before it
  // is merged): the record counts that attempt already.
  mPending.Add(name, backup, 1);
  if (!ftp.DeleteFile(name)) {
    // The server still holds the package, so the next run fetches it again.
    mPending.Remove(name);
    view(texts.Msg_FTP_Delete_Fault);
    return false;
  }
  return true;
}

void DownloadLoop::Show(const FetchShown& shown) {
  if (const auto* line = std::get_if<std::string>(&shown)) {
    AddLine(*line);
  } else {
    Sweep(mHost, std::get<SweepRange>(shown));
  }
}

// Merges the pending package `name` once `restore` has made its temporary
// copy, or stages it in the group, and settles its record (see Conclude).
// The attempt is counted before it starts, so only a run that dies on the
// way leaves it counted. A failure raised on the way is this machine's. A
// package with no copy left to restore is forgotten: nothing can merge it
// any more.
DownloadLoop::Settled DownloadLoop::Settle(const std::string& name,
                                           const std::function<bool()>& restore, bool resumed) {
  bool lost = false;
  const bool restored = RunLogged([&] {
    if (restore()) return true;
    lost = true;
    return false;
  });
  if (!restored) {
    if (lost) IgnoreFailure([&] { mPending.Remove(name); });
    return Settled::Waits;
  }
  // A package fetched in this run was recorded with this attempt counted.
  const int attempts = resumed ? mPending.Attempts(name) : 0;
  Attempt attempt;
  if (attempts >= kMaxAttempts) {
    AddLine(mTexts.Msg_Check_GaveUp + name);
    attempt = {Settled::Filed, {mTexts.Msg_Check_GaveUp + name}};
  } else {
    if (resumed) mPending.SetAttempts(name, attempts + 1);
    if (!RunLogged([&] {
          attempt = Merge(name, attempts, resumed);
          return true;
        })) {
      attempt = {Settled::Waits, {}};
    }
  }
  if (attempt.settled == Settled::Grouped) return Settled::Grouped;
  return Conclude(name, attempt, attempts);
}

// Merged or filed, the package is forgotten; when this machine failed it
// stays pending, its attempt not counted.
DownloadLoop::Settled DownloadLoop::Conclude(const std::string& name, const Attempt& attempt,
                                             int attempts) {
  if (attempt.settled == Settled::Filed && FileAsError(name, attempt.reasons)) {
    mAnyFiled = true;
    JournalRefused(name, attempt.reasons);
  } else if (attempt.settled != Settled::Merged) {
    RemoveTemporaryFiles(name, true);
    IgnoreFailure([&] { mPending.SetAttempts(name, attempts); });
    return Settled::Waits;
  }
  RemoveTemporaryFiles(name);
  IgnoreFailure([&] { mPending.Remove(name); });
  return attempt.settled;
}

DownloadLoop::Attempt DownloadLoop::Merge(const std::string& name, int attempts, bool resumed) {
  const auto started = std::chrono::steady_clock::now();
  const MessageTexts& texts = Messages();
  std::unique_ptr<engine::Package> checked = mHost.NewPackage();
  engine::Package& package = *checked;
  auto owned = std::make_unique<trust::PackageIntake>(
      TempFile(name), TempFile(PackageBaseName(name) + ".mdb"), mLimits);
  trust::PackageIntake& intake = *owned;

  const std::optional<trust::PackageName> named = trust::ReadPackageName(name);
  if (!named) {
    AddLine(mTexts.Msg_Check_Refused + mTexts.Msg_Check_NoSender + name);
    return Refused({mTexts.Msg_Check_NoSender + name});
  }

  // Who sent it, before anything reads what it holds.
  const trust::SignatureVerdict verdict =
      mSignatures->Check(TempFile(name), named->sender, named->kind, resumed);
  if (!verdict.accepted) {
    AddLine(mTexts.Msg_Check_Refused + verdict.reason);
    return Refused({verdict.reason});
  }
  if (verdict.alreadyTaken) {
    // Merged by the run that died before it could forget the package.
    AddLine(texts.Msg_PKG_Import_Success);
    return {Settled::Merged, {}};
  }
  if (verdict.listedUnsigned) AddLine(mTexts.Msg_Check_UnsignedTaken + name);

  AddLine(texts.Msg_PKG_Decompress);
  trust::IntakeStep step = intake.Unpack(mCompressor);
  if (step.outcome == trust::IntakeStep::Outcome::Refused) {
    AddLine(texts.Msg_PKG_Decompress_Fault);
    return Refused(step.reason.empty() ? std::vector<std::string>{texts.Msg_PKG_Decompress_Fault}
                                       : std::vector<std::string>{step.reason});
  }
  if (!step.Done()) return Waits(step.reason);

  AddLine(texts.Msg_PKG_Connect);
  Sweep(mHost, kSweepOpenPackage);
  step = intake.Open();
  if (!step.Done() && step.outcome != trust::IntakeStep::Outcome::Refused) {
    return Waits(step.reason);
  }

  AddLine(texts.Msg_PKG_Check);
  Sweep(mHost, kSweepCheck);
  if (step.Done()) step = intake.Check(package);
  if (step.outcome == trust::IntakeStep::Outcome::Refused) {
    AddLine(texts.Msg_PKG_Check_Fault);
    std::vector<std::string> reasons = ErrorLines(package);
    if (!step.reason.empty()) reasons.push_back(step.reason);
    return Refused(reasons);
  }
  if (!step.Done()) {
    const std::vector<std::string> errors = ErrorLines(package);
    return Waits(errors.empty() ? step.reason : errors.front());
  }

  step = intake.Admit({&trust::ExchangeKindRules(named->kind), named->sender, mKnownSites});
  engine::ImportScope scope;  // a member bundle's part for this site
  if (step.Done()) step = MemberBundleScope(package, *named, verdict, mSettings.gsBranchID, scope);
  if (step.outcome == trust::IntakeStep::Outcome::Refused) {
    AddLine(mTexts.Msg_Check_Refused + step.reason);
    return Refused({step.reason});
  }
  if (!step.Done()) return Waits(step.reason);
  std::vector<engine::ReceiverRecord> records = mSignatures->Records(verdict, named->sender);
  JournalEntry entry = PackageEntry("download", "merged", name, TempFile(name));
  if (verdict.signature) entry.signer = verdict.signature->signer;
  records.push_back(mJournal->RecordOfMerge(std::move(entry), started));
  if (trust::ExchangeKindRules(named->kind).senderOwnsRows) {
    return Group({name, attempts, std::move(owned), std::move(records)}, package, *named);
  }
  // Whatever the group holds came first.
  if (!MergeGroup()) return {Settled::Waits, {}};
  return Import(intake, package, name, std::move(records), std::move(scope));
}

DownloadLoop::Attempt DownloadLoop::Group(Staged staged, engine::Package& package,
                                          const trust::PackageName& named) {
  const bool senderGrouped = std::any_of(mStaged.begin(), mStaged.end(), [&](const Staged& s) {
    return s.intake->Admitted()->Sender() == named.sender;
  });
  std::error_code error;
  staged.bytes = static_cast<std::int64_t>(
      std::filesystem::file_size(TempFile(PackageBaseName(staged.name) + ".mdb"), error));
  std::int64_t bytes = staged.bytes;
  for (const Staged& s : mStaged) bytes += s.bytes;
  // A sender's packages merge in the order it made them.
  if ((senderGrouped || mStaged.size() >= kGroupPackages || bytes > kGroupBytes) && !MergeGroup()) {
    return {Settled::Waits, {}};
  }
  const MessageTexts& texts = Messages();
  AddLine(texts.Msg_PKG_Import + package.PackageID() + " ...");
  Sweep(mHost, kSweepImport);
  const std::shared_ptr<db::Connection> host = ExchangeContext::Instance().Connection();
  bool fits = true;
  trust::IntakeStep step = staged.intake->Stage(*mGroup, package, host, staged.records, fits);
  if (step.Done() && !fits) {
    if (!MergeGroup()) return {Settled::Waits, {}};
    step = staged.intake->Stage(*mGroup, package, host, staged.records, fits);
  }
  switch (step.outcome) {
    case trust::IntakeStep::Outcome::Done:
      if (!fits) break;
      mStaged.push_back(std::move(staged));
      return {Settled::Grouped, {}};
    case trust::IntakeStep::Outcome::Cancelled:
      AddLine(texts.Msg_PKG_Canceled);
      return {Settled::Waits, {}};
    case trust::IntakeStep::Outcome::Local: {
      const std::vector<std::string> errors = ErrorLines(package);
      for (const std::string& line : errors) AddLine(line);
      return Waits(errors.empty() ? step.reason : errors.front());
    }
    case trust::IntakeStep::Outcome::Refused:
      break;
  }
  // Merged alone, the package shows exactly why it is refused.
  if (!MergeGroup()) return {Settled::Waits, {}};
  return Import(*staged.intake, package, staged.name, std::move(staged.records), {});
}

bool DownloadLoop::MergeGroup() {
  if (mStaged.empty()) return true;
  std::vector<Staged> staged = std::move(mStaged);
  mStaged.clear();
  // From the first merge on, the server's packages are fetched on the side,
  // a group's worth ahead of the one the run takes up.
  if (mFetching.ftp) {
    mAhead.Start(mFetching.end, mFetching.names->size(), kGroupPackages,
                 [this](std::size_t index, const FetchView& view) { return Fetch(index, view); });
  }
  // The rows were staged on the side: a package whose rows could not be is
  // out of the group, and merges alone once the group has, which shows why.
  const std::vector<std::string> failures = mGroup->FinishStaging();
  std::vector<Staged> grouped;
  std::vector<Staged> alone;
  for (std::size_t i = 0; i < staged.size(); ++i) {
    const bool failed = i < failures.size() && !failures[i].empty();
    (failed ? alone : grouped).push_back(std::move(staged[i]));
  }
  const bool merged = MergeStaged(grouped);
  return MergeEachAlone(alone, !merged) && merged;
}

bool DownloadLoop::MergeStaged(std::vector<Staged>& staged) {
  // A group of one reads as the package's own import.
  const bool alone = staged.size() == 1;
  if (staged.size() > 1) {
    AddLine(Messages().Msg_PKG_ImportGroup_Left + std::to_string(staged.size()) +
            Messages().Msg_PKG_ImportGroup_Right);
  }
  const bool merged = mGroup->Merge();
  if (merged) {
    std::vector<std::string> senders;
    for (Staged& s : staged) {
      senders.push_back(s.intake->Admitted()->Sender());
      s.intake->Close();
      AddLine((alone ? "" : s.name + " ") + Messages().Msg_PKG_Import_Success);
      Conclude(s.name, {Settled::Merged, {}}, s.attempts);
    }
    Know(senders);
    return true;
  }
  const engine::Errors& errors = mGroup->Errors();
  for (std::int32_t j = 1; j <= errors.Count(); ++j) AddLine(errors.Item(j).Description());
  const bool local =
      errors.Count() == 0 || errors.AnyLocal() || errors.Item(1).Number() == engine::kErrTimeLimit;
  // Unless this machine failed, one package is at fault: each merges alone,
  // so that only that one is filed.
  return MergeEachAlone(staged, local);
}

bool DownloadLoop::MergeEachAlone(std::vector<Staged>& staged, bool waits) {
  for (Staged& s : staged) {
    Attempt attempt{Settled::Waits, {}};
    if (!waits) {
      attempt = Import(*s.intake, *mHost.NewPackage(), s.name, std::move(s.records), {});
    }
    s.intake->Close();
    if (Conclude(s.name, attempt, s.attempts) == Settled::Waits) waits = true;
  }
  return !waits;
}

// A group whose packages must wait (the run stops): each stays pending.
void DownloadLoop::DiscardGroup() noexcept {
  std::vector<Staged> staged = std::move(mStaged);
  mStaged.clear();
  IgnoreFailure(
      [&] { mGroup.emplace(ExchangeContext::Instance().Connection(), TempFile("Group.db")); });
  for (Staged& s : staged) {
    s.intake->Close();
    IgnoreFailure([&] { Conclude(s.name, {Settled::Waits, {}}, s.attempts); });
  }
}

// Knowing the senders from now on only sharpens later checks.
void DownloadLoop::Know(const std::vector<std::string>& senders) noexcept {
  IgnoreFailure([&] {
    trust::SiteRoster(*ExchangeContext::Instance().Connection()).Add(senders);
    mKnownSites.insert(mKnownSites.end(), senders.begin(), senders.end());
  });
}

DownloadLoop::Attempt DownloadLoop::Import(trust::PackageIntake& intake, engine::Package& package,
                                           const std::string& name,
                                           std::vector<engine::ReceiverRecord> records,
                                           engine::ImportScope scope) {
  const MessageTexts& texts = Messages();
  AddLine(texts.Msg_PKG_Import + package.PackageID() + " ...");
  Sweep(mHost, kSweepImport);
  const trust::IntakeStep step = intake.Import(package, ExchangeContext::Instance().Connection(),
                                               std::move(records), std::move(scope));
  intake.Close();
  const std::vector<std::string> errors = ErrorLines(package);
  switch (step.outcome) {
    case trust::IntakeStep::Outcome::Done:
      AddLine(texts.Msg_PKG_Import_Success);
      Know({intake.Admitted()->Sender()});
      return {Settled::Merged, {}};
    case trust::IntakeStep::Outcome::Cancelled:
      AddLine(texts.Msg_PKG_Canceled);
      return {Settled::Waits, {}};
    case trust::IntakeStep::Outcome::Refused:
      if (!errors.empty()) {
        AddLine(texts.Msg_PKG_Import_Fault_Left + std::to_string(errors.size()) +
                texts.Msg_PKG_Import_Fault_Right);
        for (const std::string& line : errors) AddLine(line);
      }
      AddLine(texts.Msg_PKG_BackupTo);
      AddLine(mSettings.gsErrorPath + name);
      return {Settled::Filed, errors.empty() ? std::vector<std::string>{step.reason} : errors};
    case trust::IntakeStep::Outcome::Local:
      break;
  }
  for (const std::string& line : errors) AddLine(line);
  return Waits(errors.empty() ? step.reason : errors.front());
}

// Written once the package is filed, apart from any merge; a journal that
// cannot be written is logged and costs the run nothing else.
void DownloadLoop::JournalRefused(const std::string& name,
                                  const std::vector<std::string>& reasons) noexcept {
  RunLogged([&] {
    JournalEntry entry = PackageEntry("download", "refused", name, TempFile(name));
    for (const std::string& reason : reasons) {
      entry.reason += (entry.reason.empty() ? "" : "\n") + reason;
    }
    mJournal->Write(entry);
    return true;
  });
}

DownloadLoop::Attempt DownloadLoop::Refused(std::vector<std::string> reasons) {
  AddLine(Messages().Msg_PKG_Backup);
  return {Settled::Filed, std::move(reasons)};
}

DownloadLoop::Attempt DownloadLoop::Waits(const std::string& reason) {
  AddLine(mTexts.Msg_Check_Local + reason);
  return {Settled::Waits, {}};
}

// The package's errors, one line each, numbered as the run shows them.
std::vector<std::string> DownloadLoop::ErrorLines(const engine::Package& package) {
  std::vector<std::string> lines;
  const engine::Errors& errors = package.Errors();
  for (std::int32_t j = 1; j <= errors.Count(); ++j) {
    lines.push_back(std::to_string(j) + ". " + std::to_string(errors.Item(j).Number()) + "，" +
                    errors.Item(j).Description());
  }
  return lines;
}

// Files package `name` in the error folder from its temporary copy or, when
// that is gone, its backup copy, with `reasons` beside it in "<name>.txt";
// true when filed. A failure is logged: the package then stays pending.
bool DownloadLoop::FileAsError(const std::string& name,
                               const std::vector<std::string>& reasons) noexcept {
  return RunLogged([&] {
    const std::string temporary = TempFile(name);
    std::string text;
    for (const std::string& reason : reasons) text += reason + "\n";
    WriteFileDurably(mSettings.gsErrorPath + name + ".txt", text);
    CopyFileDurably(std::filesystem::exists(temporary) ? temporary : mPending.BackupCopy(name),
                    mSettings.gsErrorPath + name);
    return true;
  });
}

// A temporary file that cannot be removed is overwritten by the next
// package of the same name; it is no failure of this one. A package that
// waits keeps its temporary copy for the next run.
void DownloadLoop::RemoveTemporaryFiles(const std::string& name, bool keepPackage) noexcept {
  if (!keepPackage) IgnoreFailure([&] { RemoveFile(TempFile(name)); });
  IgnoreFailure([&] { RemoveFile(TempFile(PackageBaseName(name) + ".mdb")); });
}

bool DownloadLoop::RunLogged(const std::function<bool()>& step) noexcept {
  return RunLoggingFailure(Messages().Msg_DownloadData_Fault, step,
                           [this](const std::string& record) { mHost.FailureLogged(record); });
}

}  // namespace tavex
