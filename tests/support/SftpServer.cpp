#include "support/SftpServer.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/ChildProcess.h"
#include "support/HttpServer.h"

extern char** environ;

namespace tavex::test {

namespace fs = std::filesystem;

namespace {

const std::string kSshd = "/usr/sbin/sshd";
const std::string kKeygen = "/usr/bin/ssh-keygen";
const std::string kUserAdd = "/usr/sbin/useradd";
const std::string kUserDel = "/usr/sbin/userdel";
const std::string kChpasswd = "/usr/sbin/chpasswd";
constexpr int kStartTries = 5;
constexpr auto kStartTimeOut = std::chrono::seconds(30);

bool RunningAsRoot() { return ::geteuid() == 0; }

// Runs a program to its end with `input` on its standard input; its exit
// status (-1 when it could not run), its standard output in `output`.
int Run(std::vector<std::string> args, const std::string& input = "",
        std::string* output = nullptr) {
  int in[2];
  int out[2];
  if (pipe(in) != 0) return -1;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (spawned == 0 && !input.empty()) {
    [[maybe_unused]] const ssize_t written = write(in[1], input.data(), input.size());
  }
  close(in[1]);
  std::string text;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, got);
  close(out[0]);
  if (output != nullptr) *output = text;
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void MustRun(const std::vector<std::string>& args, const std::string& input = "") {
  if (Run(args, input) != 0) throw std::runtime_error(args.front() + " failed");
}

void MakeKeyPair(const std::string& path, const std::string& type) {
  MustRun({kKeygen, "-q", "-t", type, "-N", "", "-C", "tavex-test", "-f", path});
}

// "ssh-ed25519 SHA256:..." for a public key file.
std::string Fingerprint(const std::string& publicKeyFile) {
  std::string printed;
  if (Run({kKeygen, "-l", "-E", "sha256", "-f", publicKeyFile}, "", &printed) != 0) {
    throw std::runtime_error("ssh-keygen -l failed");
  }
  std::istringstream fields(printed);
  std::string bits;
  std::string fingerprint;
  fields >> bits >> fingerprint;
  std::istringstream key(test::ReadFile(publicKeyFile));
  std::string type;
  key >> type;
  return type + " " + fingerprint;
}

// The type and base64 fields of a public key file.
std::string KeyFields(const std::string& publicKeyFile) {
  std::istringstream key(test::ReadFile(publicKeyFile));
  std::string type;
  std::string base64;
  key >> type >> base64;
  return type + " " + base64;
}

// Every process below `root` in the process tree (sshd's sessions leave
// its process group, so the tree is what finds them).
std::vector<pid_t> Descendants(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  if (DIR* proc = opendir("/proc")) {
    while (const dirent* entry = readdir(proc)) {
      char* end = nullptr;
      const long pid = std::strtol(entry->d_name, &end, 10);
      if (pid <= 0 || *end != '\0') continue;
      std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
      std::string line;
      std::getline(stat, line);
      const std::size_t close = line.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(line.substr(close + 1));
      std::string state;
      long parent = 0;
      rest >> state >> parent;
      children.emplace(static_cast<pid_t>(parent), static_cast<pid_t>(pid));
    }
    closedir(proc);
  }
  std::vector<pid_t> found;
  std::vector<pid_t> next{root};
  while (!next.empty()) {
    const pid_t parent = next.back();
    next.pop_back();
    const auto [first, last] = children.equal_range(parent);
    for (auto it = first; it != last; ++it) {
      found.push_back(it->second);
      next.push_back(it->second);
    }
  }
  return found;
}

}  // namespace

bool SftpServer::Available() {
  return access(kSshd.c_str(), X_OK) == 0 && access(kKeygen.c_str(), X_OK) == 0;
}

std::string SftpServer::UnavailableReason() {
  return "OpenSSH's server is not installed (" + kSshd + ", " + kKeygen +
         "; scripts/install-deps.sh installs openssh-server)";
}

bool SftpServer::PasswordAccountsAvailable() {
  return RunningAsRoot() && access(kUserAdd.c_str(), X_OK) == 0 &&
         access(kChpasswd.c_str(), X_OK) == 0;
}

std::string SftpServer::PasswordAccountsUnavailableReason() {
  return "password login needs a throwaway account, which only root can make (useradd, "
         "chpasswd); key login is tested all the same";
}

SftpServer::SftpServer(SftpServerOptions options) {
  if (!Available()) throw std::runtime_error(UnavailableReason());
  MakeKeyPair(Dir() / "host_ed25519", "ed25519");
  MakeKeyPair(Dir() / "host_ecdsa", "ecdsa");
  MakeKeyPair(ClientKeyFile(), "ed25519");
  WriteFile(Dir() / "authorized_keys", test::ReadFile(ClientKeyFile() + ".pub"));
  for (const char* key : {"host_ed25519.pub", "host_ecdsa.pub"}) {
    mFingerprints.push_back(Fingerprint(Dir() / key));
  }

  if (options.password) {
    if (!PasswordAccountsAvailable()) throw std::runtime_error(PasswordAccountsUnavailableReason());
    mUser = "tavexsftp" + std::to_string(getpid());
    mPassword =
        "Pw-" + std::to_string(getpid()) + "-" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000);
    MustRun({kUserAdd, "-M", "-d", Root(), "-s", "/usr/sbin/nologin", mUser});
    mOwnAccount = true;
    MustRun({kChpasswd}, mUser + ":" + mPassword + "\n");
    const passwd* account = getpwnam(mUser.c_str());
    if (account == nullptr) throw std::runtime_error("no account " + mUser);
    mUid = account->pw_uid;
    mGid = account->pw_gid;
    // The account reaches its folder and the authorized keys through the
    // server's folder, and owns what it serves.
    if (chmod(Dir().Path().c_str(), 0711) != 0) throw std::runtime_error("chmod failed");
    Adopt(Root());
  } else {
    const passwd* account = getpwuid(geteuid());
    if (account == nullptr) throw std::runtime_error("no name for this user");
    mUser = account->pw_name;
    mPassword = "never-sent";
  }

  // The folder sshd (as root) separates its unprivileged half into; the
  // system's service makes it at boot.
  if (RunningAsRoot() && !fs::exists("/run/sshd")) {
    fs::create_directories("/run/sshd");
    fs::permissions("/run/sshd", fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
  }
  bool started = false;
  for (int attempt = 0; attempt < kStartTries && !started; ++attempt) started = StartServer();
  if (!started) {
    const std::string log = LogText();
    Stop();
    throw std::runtime_error("sshd did not start:\n" + log);
  }
  if (options.bytesPerSecond > 0) StartRelay(options.bytesPerSecond);
  WriteFile(KnownHostsFile(), "[127.0.0.1]:" + std::to_string(Port()) + " " +
                                  KeyFields(Dir() / "host_ed25519.pub") + "\n");
}

SftpServer::~SftpServer() {
  Stop();
  if (mOwnAccount) {
    // The killed sessions may take a moment to be gone.
    for (int attempt = 0; attempt < 50 && Run({kUserDel, "-f", mUser}) != 0; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
}

bool SftpServer::StartServer() {
  {
    LoopbackListener probe;
    mPort = probe.Port();
  }
  const std::string config = Dir() / "sshd_config";
  WriteFile(config, "Port " + std::to_string(mPort) +
                        "\n"
                        "ListenAddress 127.0.0.1\n"
                        "HostKey " +
                        Dir() / "host_ed25519" + "\nHostKey " + Dir() / "host_ecdsa" +
                        "\n"
                        "PidFile " +
                        Dir() / "sshd.pid" + "\nAuthorizedKeysFile " + Dir() / "authorized_keys" +
                        "\n"
                        "StrictModes no\n"
                        "UsePAM no\n"
                        "UseDNS no\n"
                        "PubkeyAuthentication yes\n"
                        "PasswordAuthentication " +
                        (mOwnAccount ? "yes" : "no") +
                        "\n"
                        "KbdInteractiveAuthentication no\n"
                        "PermitRootLogin prohibit-password\n"
                        "AllowUsers " +
                        mUser +
                        "\n"
                        "DisableForwarding yes\n"
                        "PermitTTY no\n"
                        "Subsystem sftp internal-sftp -d " +
                        Root() + "\nForceCommand internal-sftp -d " + Root() + "\n");
  const std::string log = Dir() / "sshd.log";
  const std::size_t logged = fs::exists(log) ? fs::file_size(log) : 0;
  mPid = StartChild({kSshd, "-D", "-E", log, "-f", config}, log);
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeOut;
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string text = LogText();
    const std::string mine = text.size() > logged ? text.substr(logged) : "";
    if (mine.find("Server listening on") != std::string::npos) return true;
    int status = 0;
    if (waitpid(mPid, &status, WNOHANG) == mPid) {
      mPid = -1;
      // Someone took the free port in between: try another one.
      if (mine.find("Address already in use") != std::string::npos) return false;
      throw std::runtime_error("sshd did not start:\n" + mine);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void SftpServer::StartRelay(int bytesPerSecond) {
  std::string port;
  mRelayPid =
      StartChildReadingLine({"/usr/bin/python3", TAVEX_TCP_RELAY_SCRIPT, "--target",
                             std::to_string(mPort), "--rate", std::to_string(bytesPerSecond)},
                            port);
  mRelayPort = std::atoi(port.c_str());
  if (mRelayPort <= 0) throw std::runtime_error("the relay did not start");
}

std::string SftpServer::OptionsLines() const {
  std::string lines =
      "Port=" + std::to_string(Port()) + "\nProtocol=sftp\nKnownHosts=" + KnownHostsFile() + "\n";
  if (!mOwnAccount) lines += "PrivateKey=" + ClientKeyFile() + "\n";
  return lines;
}

std::string SftpServer::MakeKey(const std::string& name) const {
  const std::string path = Dir() / name;
  MakeKeyPair(path, "ed25519");
  return path;
}

std::string SftpServer::KnownHostsNaming(const std::string& name,
                                         const std::string& publicKeyFile) const {
  const std::string path = Dir() / name;
  WriteFile(path, "[127.0.0.1]:" + std::to_string(Port()) + " " + KeyFields(publicKeyFile) + "\n");
  return path;
}

void SftpServer::SignalSessions(int signal) const {
  if (mPid <= 0) return;
  for (const pid_t session : Descendants(mPid)) kill(session, signal);
}

void SftpServer::DropSessions() { SignalSessions(SIGKILL); }

void SftpServer::FreezeSessions() { SignalSessions(SIGSTOP); }

void SftpServer::ThawSessions() { SignalSessions(SIGCONT); }

void SftpServer::Stop() {
  KillChild(mRelayPid);
  if (mPid <= 0) return;
  const std::vector<pid_t> sessions = Descendants(mPid);
  kill(mPid, SIGKILL);
  for (const pid_t session : sessions) kill(session, SIGKILL);
  waitpid(mPid, nullptr, 0);
  mPid = -1;
}

std::string SftpServer::LogText() const {
  std::ifstream in(Dir() / "sshd.log", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void SftpServer::Adopt(const std::string& path) const {
  if (mOwnAccount && lchown(path.c_str(), mUid, mGid) != 0) {
    throw std::runtime_error("cannot hand " + path + " to " + mUser);
  }
}

}  // namespace tavex::test
