#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/RemoteServer.h"

namespace tavex::test {

struct SftpServerOptions {
  // Log in with a password instead of a key: as a throwaway account made
  // for the server with useradd and chpasswd, removed with it. Only root
  // can make one (see PasswordAccountsAvailable).
  bool password = false;
  // Carry the connections through a relay that passes at most this many
  // bytes a second each way (0: straight to the server), so that a test
  // can act while a transfer runs.
  int bytesPerSecond = 0;
};

// A real OpenSSH server (sshd from Debian's openssh-server) on 127.0.0.1 at
// a free port, with a configuration, host keys (ed25519 and ECDSA, as a
// real server offers several), an authorized client key and a known_hosts
// file of its own, all in a fresh temporary folder. It serves SFTP only
// (internal-sftp), starting every session in Root(). Key login is for the
// user running the tests (root logs in as root); with a password it is
// for a throwaway account. sshd runs from construction until Stop() or
// destruction, and dies with the test process; so do the sessions it
// serves.
class SftpServer : public RemoteServer {
 public:
  // Whether sshd and ssh-keygen are installed, and why not.
  static bool Available();
  static std::string UnavailableReason();
  // Whether a throwaway account for password login can be made, and why
  // not.
  static bool PasswordAccountsAvailable();
  static std::string PasswordAccountsUnavailableReason();

  // Throws std::runtime_error, with the server's log, when it cannot start.
  explicit SftpServer(SftpServerOptions options = {});
  ~SftpServer() override;

  std::string Name() const override { return "Sftp"; }
  int Port() const override { return mRelayPort > 0 ? mRelayPort : mPort; }
  // Port, Protocol=sftp, KnownHosts and, for key login, PrivateKey.
  std::string OptionsLines() const override;
  std::string User() const override { return mUser; }
  // The account's password; with key login a text that must never matter.
  std::string Password() const override { return mPassword; }

  // A known_hosts file that pins the server's ed25519 key to its address.
  std::string KnownHostsFile() const { return Dir() / "known_hosts"; }
  // The authorized client key (private half, mode 0600).
  std::string ClientKeyFile() const { return Dir() / "client_key"; }
  // The server's ed25519 and ECDSA host keys' fingerprints as
  // `ssh-keygen -l` prints them, each after its key type:
  // "ssh-ed25519 SHA256:...".
  const std::vector<std::string>& HostKeyFingerprints() const { return mFingerprints; }

  // A fresh key pair `name` in the server's folder, authorized nowhere; the
  // path of its private half (mode 0600; the public half is that + ".pub").
  std::string MakeKey(const std::string& name) const;
  // A known_hosts file `name` that pins the key of public key file
  // `publicKeyFile` to the server's address; its path.
  std::string KnownHostsNaming(const std::string& name, const std::string& publicKeyFile) const;

  // Ends every session at once, as a server or a firewall that drops idle
  // connections does; the server goes on listening.
  void DropSessions();
  // Stops every session in its tracks (a server that no longer answers),
  // and lets them go on.
  void FreezeSessions();
  void ThawSessions();

  void Stop() override;

  // What sshd logged so far.
  std::string LogText() const;

 protected:
  void Adopt(const std::string& path) const override;

 private:
  bool StartServer();
  void StartRelay(int bytesPerSecond);
  void SignalSessions(int signal) const;

  std::string mUser;
  std::string mPassword;
  bool mOwnAccount = false;
  uid_t mUid = 0;
  gid_t mGid = 0;
  std::vector<std::string> mFingerprints;
  pid_t mPid = -1;
  int mPort = 0;
  pid_t mRelayPid = -1;
  int mRelayPort = 0;
};

}  // namespace tavex::test

// Skips the running test, with a clear message, when OpenSSH's server is not
// installed.
#define TAVEX_REQUIRE_SSHD()                                          \
  do {                                                                \
    if (!::tavex::test::SftpServer::Available()) {                    \
      GTEST_SKIP() << ::tavex::test::SftpServer::UnavailableReason(); \
    }                                                                 \
  } while (false)
