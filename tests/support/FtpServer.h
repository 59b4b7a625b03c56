#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/HttpServer.h"
#include "support/RemoteServer.h"

namespace tavex::test {

struct FtpServerOptions {
  // Require explicit TLS on control and data connections, with a
  // self-signed certificate for 127.0.0.1 made for this server.
  bool tls = false;
  // Limit transfers in both directions to this many bytes a second (0: no
  // limit), so that a test can act while a transfer runs.
  int bytesPerSecond = 0;
  // Close a control connection that stays silent this many seconds (0: the
  // server's default of five minutes); see WaitForIdleClose.
  int idleSeconds = 0;
};

// A real FTP server (pyftpdlib) on 127.0.0.1 at a free port, serving a fresh
// temporary root folder to one user with every right. It runs as a child
// process from construction until Stop() or destruction, and dies with the
// test process.
class FtpServer : public RemoteServer {
 public:
  explicit FtpServer(FtpServerOptions options = {});
  ~FtpServer() override;

  static constexpr const char* kUser = "tester";
  static constexpr const char* kPassword = "secret";
  std::string Name() const override { return "Ftp"; }
  int Port() const override { return mPort; }
  std::string OptionsLines() const override { return "Port=" + std::to_string(mPort) + "\n"; }
  std::string User() const override { return kUser; }
  std::string Password() const override { return kPassword; }

  // The TLS variant's certificate, which is also its own CA.
  std::string CertificateFile() const { return Dir() / "cert.pem"; }
  // From now on every listing of `remoteFolder` is refused (550), while the
  // folder and everything else still work.
  void FailListingsOf(const std::string& remoteFolder) const;

  // With idleSeconds set: blocks until the server has closed one more
  // silent control connection (at most half a minute); false if it did not.
  bool WaitForIdleClose();

  void Stop() override;

 private:
  pid_t mPid = -1;
  int mPort = 0;
  int mOutput = -1;  // the server's standard output
};

// A server that accepts connections and never says a word: a client waits
// for a greeting that never comes.
using SilentServer = LoopbackListener;

}  // namespace tavex::test
