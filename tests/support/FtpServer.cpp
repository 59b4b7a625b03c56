#include "support/FtpServer.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace tavex::test {

namespace {

constexpr int kStartTimeOutMs = 30000;

// One line of the server's output without its end ("" when none came in
// time).
std::string ReadLine(int output) {
  std::string line;
  char c = 0;
  pollfd watched{output, POLLIN, 0};
  while (poll(&watched, 1, kStartTimeOutMs) > 0 && read(output, &c, 1) == 1 && c != '\n') {
    line += c;
  }
  return line;
}

void MakeCertificate(const std::string& folder) {
  const std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
      " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
      folder + "/key.pem' -out '" + folder + "/cert.pem' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl failed");
}

}  // namespace

FtpServer::FtpServer(FtpServerOptions options) {
  std::vector<std::string> args = {
      "/usr/bin/python3", TAVEX_FTP_SERVER_SCRIPT, "--root", Root(), "--user", kUser, "--password",
      kPassword};
  if (options.bytesPerSecond > 0) {
    args.insert(args.end(), {"--rate", std::to_string(options.bytesPerSecond)});
  }
  if (options.idleSeconds > 0) {
    args.insert(args.end(), {"--idle", std::to_string(options.idleSeconds)});
  }
  args.insert(args.end(), {"--fail-listings", Dir() / "failing-listings"});
  if (options.tls) {
    MakeCertificate(Dir().Path());
    args.insert(args.end(), {"--cert", Dir() / "cert.pem", "--key", Dir() / "key.pem"});
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int output[2];
  if (pipe(output) != 0) throw std::runtime_error("pipe failed");
  const pid_t parent = getpid();
  mPid = fork();
  if (mPid < 0) throw std::runtime_error("fork failed");
  if (mPid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    close(output[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(output[1]);
  mOutput = output[0];
  mPort = std::atoi(ReadLine(mOutput).c_str());
  if (mPort <= 0) {
    Stop();
    throw std::runtime_error("the FTP server did not start");
  }
}

FtpServer::~FtpServer() { Stop(); }

bool FtpServer::WaitForIdleClose() { return ReadLine(mOutput) == "idle"; }

void FtpServer::Stop() {
  if (mOutput >= 0) close(mOutput);
  mOutput = -1;
  if (mPid <= 0) return;
  kill(mPid, SIGKILL);
  waitpid(mPid, nullptr, 0);
  mPid = -1;
}

void FtpServer::FailListingsOf(const std::string& remoteFolder) const {
  const std::string file = Dir() / "failing-listings";
  const std::string listed = std::filesystem::exists(file) ? test::ReadFile(file) : "";
  WriteFile(file, listed + Root() + "/" + remoteFolder + "\n");
}

}  // namespace tavex::test
