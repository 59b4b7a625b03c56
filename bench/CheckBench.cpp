// Measures what the checks of a received package cost a download's merge,
// side by side in one run: the same bill packages merged into the same head
// office (SQLite), once as every receiver now takes them (unpacking bounded
// by the limits, the package opened read-only under a time limit, the
// engine's check, then the checks of the kind and of the sender's rows, and
// every delete held to the sender's rows) and once as the engine alone
// takes them (unpacking, CheckPackage, ImportPackage). Two cases: many
// small packages, and one large one.
//
// What the checks add is then set against a whole download of the same
// packages: `tavexdata download`'s run (cDownload) fetching them from a local
// FTP server (pyftpdlib), keeping its copies, and checking and merging each.
//
// Then the signatures, side by side in the same run: the export of the same
// packages with and without signing them as the branch's export does, and
// the download of them signed (head office trusting the branch's key) and
// unsigned (no key anywhere); and, for a figure free of the noise of two
// runs, the time of the signing work alone (the digest of the data, a
// number reserved, the signature) and of checking each signature, set
// against the export and the download.
//
// Usage: check_bench WORK_FOLDER SCHEMA_SQL GENERATOR_SQL [ROUNDS [PACKAGES BILLS LARGE]]
// PACKAGES packages of BILLS bills each, and one package of LARGE bills
// (defaults 200, 50 and 100000). Each round merges every package both ways,
// into fresh copies of the same head office, in turn, then downloads them;
// the best time of each counts. Exits 1 when the head offices end different.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "download/cDownload.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "trust/PackageIntake.h"
#include "trust/PackageKinds.h"
#include "trust/PackageSignature.h"
#include "trust/SignatureCheck.h"
#include "trust/SiteKeys.h"

namespace {

using namespace tavex::bench;

// The bill package of the bills numbered from `first` to `last` of the
// branch, or of all of them.
void DefineBillRange(Package& package, long first, long last) {
  char low[32];
  char high[32];
  std::snprintf(low, sizeof low, "'B01-%08ld'", first);
  std::snprintf(high, sizeof high, "'B01-%08ld'", last + 1);
  package.PackageID("B01-240305140709");
  package.Sender("B01");
  for (const char* table : kTables) {
    const std::string key = std::string(table) == "bi_SubBill" ? "BillItemID" : "BillID";
    auto& step = package.ExDatas().Add(std::string("step ") + table,
                                       std::string(" SELECT * FROM ") + table + " WHERE " + key +
                                           " >= " + low + " AND " + key + " < " + high,
                                       table, false, false);
    if (std::string(table) == "bi_Bill") {
      for (const char* sql : kDeletes) step.Statements().Add("delete", sql, 5, 0);
    }
  }
}

// Exports the bills from `first` to `last` of the branch into the package
// `name`.pkg, signed as the branch's export signs it when `sign` is true
// (the key of the plug-in folder, the next number).
fs::path ExportPackage(const fs::path& work, const fs::path& branch, long first, long last,
                       const std::string& name, bool sign = false) {
  Package package;
  DefineBillRange(package, first, last);
  package.SourceConnection(tavex::db::OpenConnection("sqlite:" + branch.string()));
  const fs::path mdb = work / (name + ".mdb");
  package.TargetConnection(NewPackageDatabase(mdb));
  if (!package.Export(false, true, 1)) throw std::runtime_error("export: " + Failure(package));
  package.TargetConnection(nullptr);
  const fs::path pkg = work / (name + ".pkg");
  const std::unique_ptr<tavex::engine::FrameAhead> signer =
      sign ? tavex::trust::SignerOfOwnPackage(pkg.string(), "B01") : nullptr;
  if (sign && !signer) throw std::runtime_error("the branch has no key");
  Compress(mdb, pkg, true, signer.get());
  fs::remove(mdb);
  return pkg;
}

// Merges `packages` into `hq` as the engine alone takes them.
void MergeUnchecked(const std::vector<fs::path>& packages, const fs::path& hq) {
  auto host = tavex::db::OpenConnection("sqlite:" + hq.string());
  for (const fs::path& pkg : packages) {
    const fs::path mdb = pkg.string() + ".mdb";
    Compress(pkg, mdb, false);
    auto connection = tavex::db::OpenConnection(tavex::db::PackageConnectionString(mdb.string()));
    Package package;
    if (!package.CheckPackage(connection, 0))
      throw std::runtime_error("check: " + Failure(package));
    package.SourceConnection(connection);
    package.TargetConnection(host);
    if (!package.ImportPackage(true, true, 1)) {
      throw std::runtime_error("import: " + Failure(package));
    }
    package.SourceConnection(nullptr);
    connection->Close();
    fs::remove(mdb);
  }
}

// Merges `packages` into `hq` as every receiver now takes them.
void MergeChecked(const std::vector<fs::path>& packages, const fs::path& hq) {
  using Outcome = tavex::trust::IntakeStep::Outcome;
  auto host = tavex::db::OpenConnection("sqlite:" + hq.string());
  const tavex::trust::PackageLimits limits;
  for (const fs::path& pkg : packages) {
    const fs::path mdb = pkg.string() + ".mdb";
    tavex::trust::PackageIntake intake(pkg.string(), mdb.string(), limits);
    FSComprFile compressor;
    Package package;
    tavex::trust::IntakeStep step = intake.Unpack(compressor);
    if (step.Done()) step = intake.Open();
    if (step.Done()) step = intake.Check(package);
    if (step.Done()) {
      step = intake.Admit(
          {&tavex::trust::ExchangeKindRules(tavex::trust::PackageKind::Bills), "B01", {}});
    }
    if (step.Done()) step = intake.Import(package, host);
    if (step.outcome != Outcome::Done) {
      throw std::runtime_error("checked merge: " + step.reason + Failure(package));
    }
    intake.Close();
    fs::remove(mdb);
  }
}

// A free TCP port on 127.0.0.1.
int FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(probe, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("no free port");
  }
  ::close(probe);
  return ntohs(address.sin_port);
}

// pyftpdlib serving `root` to tester/secret on 127.0.0.1 while it lives.
class FtpServer {
 public:
  FtpServer(const fs::path& root, int port) {
    mPid = ::fork();
    if (mPid == 0) {
      const std::string portText = std::to_string(port);
      ::execl("/usr/bin/python3", "python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p",
              portText.c_str(), "-w", "-d", root.c_str(), "-u", "tester", "-P", "secret",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::usleep(1500 * 1000);  // it listens within a second
  }
  ~FtpServer() {
    ::kill(mPid, SIGTERM);
    ::waitpid(mPid, nullptr, 0);
  }
  FtpServer(const FtpServer&) = delete;
  FtpServer& operator=(const FtpServer&) = delete;

 private:
  pid_t mPid = -1;
};

struct NoList : tavex::ProgressList {
  void AddItem(const std::string&) override { ++lines; }
  int ListCount() const override { return lines; }
  void SetItem(int, const std::string&) override {}
  void SetListIndex(int) override {}
  int lines = 0;
};
struct NoBar : tavex::ProgressBar {
  double Min() const override { return 0; }
  double Max() const override { return 100; }
  double Value() const override { return value; }
  void SetMin(double) override {}
  void SetMax(double) override {}
  void SetValue(double v) override { value = v; }
  double value = 0;
};

// Downloads `packages` from the server's folder of head office into `hq` as
// the nightly run does; the plug-in folder is $TAVEX_HOME.
void Download(const std::vector<fs::path>& packages, const fs::path& hq, const fs::path& ftpRoot,
              const fs::path& home) {
  fs::remove_all(home / "Temp");
  fs::remove_all(home / "BckPackage");
  const fs::path folder = ftpRoot / "ForDownload/HQ";
  fs::create_directories(folder);
  long number = 240305000000;
  for (const fs::path& pkg : packages) {
    fs::copy_file(pkg, folder / ("B01-" + std::to_string(++number) + ".pkg"));
  }
  tavex::cDownload run;
  NoList list;
  NoBar bar;
  run.Initialize(tavex::db::OpenConnection("sqlite:" + hq.string()), list, bar);
  if (!run.Download()) throw std::runtime_error("download failed: " + run.Failure());
}

// The bill packages of `ranges` exported again, signed or not.
struct ExportRange {
  long first;
  long last;
};
void ExportAgain(const fs::path& work, const fs::path& branch,
                 const std::vector<ExportRange>& ranges, bool sign) {
  for (const ExportRange& range : ranges) {
    ExportPackage(work, branch, range.first, range.last, "again", sign);
  }
}

// Copies of `packages` signed by `key`, numbered from 1.
std::vector<fs::path> SignedCopies(const std::vector<fs::path>& packages,
                                   const tavex::trust::SiteKey& key) {
  std::vector<fs::path> signedPackages;
  std::uint64_t number = 0;
  for (const fs::path& pkg : packages) {
    signedPackages.push_back(pkg.string() + ".signed");
    fs::copy_file(pkg, signedPackages.back(), fs::copy_options::overwrite_existing);
    tavex::trust::SignPackageFile(signedPackages.back().string(), key,
                                  {"B01", "B01", tavex::trust::PackageKind::Bills, ++number, {}});
  }
  return signedPackages;
}

// What the export adds to sign `packages`: each one's data frame shown to
// the signer as the compression writes it, then its frame made (a number
// reserved, the signature computed).
void SigningWork(const std::vector<std::string>& dataFrames) {
  for (const std::string& data : dataFrames) {
    const std::unique_ptr<tavex::engine::FrameAhead> signer =
        tavex::trust::SignerOfOwnPackage("B01-240305140709.pkg", "B01");
    signer->Update(data.data(), data.size());
    signer->Finish();
  }
}

// Checks the signature of every one of `packages` as head office's
// download does, against `hq`'s register (nothing is recorded).
void CheckSignatures(const std::vector<fs::path>& packages, const fs::path& hq) {
  auto host = tavex::db::OpenConnection("sqlite:" + hq.string());
  tavex::trust::SignatureCheck check(*host, "download", true);
  for (const fs::path& pkg : packages) {
    const tavex::trust::SignatureVerdict verdict =
        check.Check(pkg.string(), "B01", tavex::trust::PackageKind::Bills, false);
    if (!verdict.accepted) throw std::runtime_error("signature refused: " + verdict.reason);
  }
}

void PrintShare(const char* what, const Time& part, const Time& whole) {
  std::printf("  %s %.3f s, %.2f%% of it %s\n", what, part.wall, 100.0 * part.wall / whole.wall,
              part.wall <= 0.02 * whole.wall ? "(target: under 2%)" : "(target: under 2%: MISSED)");
}

std::string HeadOfficeState(const fs::path& hq) {
  auto connection = tavex::db::OpenConnection("sqlite:" + hq.string());
  std::string state;
  for (const char* table : kTables) {
    auto rows = connection->Query(std::string("SELECT COUNT(*), MAX(length(") +
                                  (std::string(table) == "bi_SubBill" ? "SubBillID" : "BillID") +
                                  ")) FROM " + table);
    rows->Next();
    state += std::string(table) + " " + std::to_string(std::get<std::int64_t>(rows->Get(0))) + " ";
  }
  return state;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: check_bench WORK_FOLDER SCHEMA_SQL GENERATOR_SQL [ROUNDS [PACKAGES "
                 "BILLS LARGE]]\n";
    return 2;
  }
  try {
    const fs::path work = fs::absolute(argv[1]);
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
    const long packages = argc > 5 ? std::atol(argv[5]) : 200;
    const long bills = argc > 6 ? std::atol(argv[6]) : 50;
    const long large = argc > 7 ? std::atol(argv[7]) : 100000;
    fs::create_directories(work);

    // The branch's bills, with every key the upload prefixes carrying the
    // branch's identifier.
    const fs::path branch = work / "branch.db";
    GenerateBranch(work, branch, argv[2], argv[3], std::max(large, packages * bills));
    WriteText(work / "prefix.sql", "UPDATE bi_Bill SET ShiftID='B01-'||ShiftID;\n");
    Shell("sqlite3 " + Quoted(branch) + " < " + Quoted(work / "prefix.sql"));
    const fs::path emptyHq = work / "hq-empty.db";
    fs::remove(emptyHq);
    Shell("sqlite3 " + Quoted(emptyHq) + " < " + Quoted(argv[2]));

    std::vector<fs::path> small;
    for (long i = 0; i < packages; ++i) {
      small.push_back(
          ExportPackage(work, branch, i * bills + 1, (i + 1) * bills, "small" + std::to_string(i)));
    }
    std::vector<fs::path> one{ExportPackage(work, branch, 1, large, "large")};
    std::vector<ExportRange> smallRanges;
    for (long i = 0; i < packages; ++i) smallRanges.push_back({i * bills + 1, (i + 1) * bills});
    const std::vector<ExportRange> largeRange{{1, large}};

    // Head office's settings and plug-in folder for the downloads.
    const int port = FreePort();
    const fs::path home = work / "home";
    fs::create_directories(home / "Octopus");
    WriteText(home / "Octopus/MAIN.INI", "[FTP]\nPort=" + std::to_string(port) + "\n");
    ::setenv("TAVEX_HOME", home.c_str(), 1);
    {
      tavex::SettingsStore settings(tavex::db::OpenConnection("sqlite:" + emptyHq.string()));
      settings.SetSetting(tavex::kSettingBranchID, "HQ");
      settings.SetSetting(tavex::kSettingFtpServer, "127.0.0.1");
      settings.SetSetting(tavex::kSettingFtpUser, "tester");
      settings.SetSetting(tavex::kSettingFtpPassword, "secret");
    }
    // The branch's key (in the plug-in folder the runs use, so that the
    // export signs with it), and a head office that trusts it.
    fs::remove(home / "Octopus/site.key");
    fs::remove(home / "Octopus/site.seq");
    const tavex::trust::SiteKey key = tavex::trust::SiteKey::Create(home.string());
    const fs::path keyedHq = work / "hq-keyed.db";
    fs::copy_file(emptyHq, keyedHq, fs::copy_options::overwrite_existing);
    {
      auto connection = tavex::db::OpenConnection("sqlite:" + keyedHq.string());
      tavex::trust::KeyRegistry(*connection).Trust("B01", key.Public());
    }
    fs::create_directories(work / "ftp");
    const FtpServer server(work / "ftp", port);

    int status = 0;
    const struct {
      const char* what;
      const std::vector<fs::path>* set;
      const std::vector<ExportRange>* ranges;
    } cases[] = {{"many small packages", &small, &smallRanges},
                 {"one large package", &one, &largeRange}};
    for (const auto& [what, set, ranges] : cases) {
      const std::vector<fs::path> signedSet = SignedCopies(*set, key);
      std::vector<std::string> dataFrames;
      for (const fs::path& pkg : *set) {
        std::ifstream file(pkg, std::ios::binary);
        dataFrames.emplace_back(std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>());
      }
      Time checked{1e9, 1e9};
      Time unchecked{1e9, 1e9};
      Time download{1e9, 1e9};
      std::string checkedState;
      std::string uncheckedState;
      std::string downloadState;
      Time exported{1e9, 1e9};
      Time exportedSigned{1e9, 1e9};
      Time signing{1e9, 1e9};
      Time downloadSigned{1e9, 1e9};
      Time checking{1e9, 1e9};
      std::string signedState;
      for (int round = 0; round < rounds; ++round) {
        for (const bool withChecks : {false, true}) {
          const fs::path hq = work / (withChecks ? "hq-checked.db" : "hq-unchecked.db");
          fs::copy_file(emptyHq, hq, fs::copy_options::overwrite_existing);
          const Time time =
              Engine([&] { withChecks ? MergeChecked(*set, hq) : MergeUnchecked(*set, hq); });
          (withChecks ? checked : unchecked) = Best(withChecks ? checked : unchecked, time);
          (withChecks ? checkedState : uncheckedState) = HeadOfficeState(hq);
        }
        const fs::path hq = work / "hq-downloaded.db";
        fs::copy_file(emptyHq, hq, fs::copy_options::overwrite_existing);
        download = Best(download, Engine([&] { Download(*set, hq, work / "ftp", home); }));
        downloadState = HeadOfficeState(hq);

        exported = Best(exported, Engine([&] { ExportAgain(work, branch, *ranges, false); }));
        exportedSigned =
            Best(exportedSigned, Engine([&] { ExportAgain(work, branch, *ranges, true); }));
        signing = Best(signing, Engine([&] { SigningWork(dataFrames); }));
        checking = Best(checking, Engine([&] { CheckSignatures(signedSet, keyedHq); }));
        const fs::path signedHq = work / "hq-signed.db";
        fs::copy_file(keyedHq, signedHq, fs::copy_options::overwrite_existing);
        downloadSigned = Best(downloadSigned,
                              Engine([&] { Download(signedSet, signedHq, work / "ftp", home); }));
        signedState = HeadOfficeState(signedHq);
      }
      std::printf("%s (%zu):\n", what, set->size());
      PrintRatio("  merge with the checks against without them:", checked, unchecked, "");
      const double added = checked.wall - unchecked.wall;
      std::printf(
          "  a download of them %.2f s; the checks add %.2f s, %.1f%% of it %s\n", download.wall,
          added, 100.0 * added / download.wall,
          added <= 0.05 * download.wall ? "(target: under 5%)" : "(target: under 5%: MISSED)");
      PrintRatio("  export signed against unsigned:", exportedSigned, exported, "");
      PrintShare("signing them takes", signing, exported);
      PrintRatio("  download signed against unsigned:", downloadSigned, download, "");
      PrintShare("checking their signatures takes", checking, download);
      status |= ReportHeadOffices(checkedState, uncheckedState);
      status |= ReportHeadOffices(downloadState, checkedState);
      status |= ReportHeadOffices(signedState, downloadState);
    }
    std::printf("peak memory %.1f MiB\n", PeakMemoryMiB());
    return status;
  } catch (const std::exception& failure) {
    std::cerr << "check_bench: " << failure.what() << "\n";
    return 1;
  }
}
