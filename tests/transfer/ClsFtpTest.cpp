#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <future>

#include "storage/SyncLog.h"
#include "support/FolderWatch.h"
#include "support/FtpServer.h"
#include "support/PluginHome.h"
#include "support/SftpServer.h"
#include "support/SocksProxy.h"
#include "support/Sorted.h"
#include "transfer/clsFTP.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::FtpServer;
using test::FtpServerOptions;
using test::RemoteServer;
using test::SftpServer;
using test::SftpServerOptions;
using Names = std::vector<std::string>;

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The client in a plug-in folder of its own against one real server, with
// the options file written for that server.
class ClientFixture : public ::testing::Test {
 protected:
  void Start(std::unique_ptr<RemoteServer> server) {
    mServer = std::move(server);
    UseOptions("");
    fs::create_directories(mHome / "Temp");
  }
  RemoteServer& Server() const { return *mServer; }

  // Writes the options file for the server; the lines of `extra` come
  // first, so they win over the server's own (the first line of a key
  // counts).
  void UseOptions(const std::string& extra) {
    mHome.WriteOptions("[FTP]\n" + extra + Server().OptionsLines() + "TimeOut=10\n");
  }

  // Logs in with the server's account, or `password` when given.
  bool Connect(const std::string& password = "") {
    return mFtp.Connect(Server().Host(), Server().User(),
                        password.empty() ? Server().Password() : password);
  }

  bool ConnectIn(const std::string& folder) { return Connect() && mFtp.SetFtpDir(folder); }

  std::string Local(const std::string& name) const { return mHome / ("Temp/" + name); }
  std::string Log() const { return test::ReadFile(GetLastLogFile()); }

  test::PluginHome mHome;
  std::unique_ptr<RemoteServer> mServer;
  clsFTP mFtp;
};

enum class Protocol { kFtp, kSftp };

std::string ProtocolName(const testing::TestParamInfo<Protocol>& info) {
  return info.param == Protocol::kFtp ? "Ftp" : "Sftp";
}

// The cases every protocol must pass alike, run against the FTP server and
// the SFTP server in turn.
class FtpClient : public ClientFixture, public ::testing::WithParamInterface<Protocol> {
 protected:
  void SetUp() override {
    if (GetParam() == Protocol::kSftp) {
      TAVEX_REQUIRE_SSHD();
      Start(std::make_unique<SftpServer>(SftpServerOptions{.bytesPerSecond = BytesPerSecond()}));
    } else {
      Start(std::make_unique<FtpServer>(FtpServerOptions{.bytesPerSecond = BytesPerSecond()}));
    }
  }
  virtual int BytesPerSecond() const { return 0; }

  // Makes the next login one the server refuses: a wrong password, or over
  // SFTP a key the server does not know.
  void RefuseTheNextLogin() {
    if (GetParam() == Protocol::kFtp) {
      mNextPassword = "wrong";
    } else {
      UseOptions("PrivateKey=" + static_cast<SftpServer&>(Server()).MakeKey("stranger") + "\n");
    }
  }

  std::string mNextPassword;
};

TEST_P(FtpClient, ConnectLogsInAndDisConnectEndsTheSession) {
  EXPECT_FALSE(mFtp.DisConnect());
  ASSERT_TRUE(Connect());
  EXPECT_EQ(mFtp.LastRefusal(), "");
  EXPECT_TRUE(mFtp.DisConnect());
  EXPECT_FALSE(mFtp.DisConnect());
  EXPECT_TRUE(mFtp.GetDirFile().empty());
}

TEST_P(FtpClient, RefusedLoginIsFalseAndLeavesNoSession) {
  Server().PutFile("a.pkg", "x");
  RefuseTheNextLogin();
  EXPECT_FALSE(Connect(mNextPassword));
  EXPECT_TRUE(mFtp.GetDirFile().empty());
  EXPECT_FALSE(mFtp.SetFtpDir("/"));
  EXPECT_FALSE(mFtp.DisConnect());
}

// A closed port, and a server that never answers, fail instead of hanging.
TEST_P(FtpClient, UnreachableOrSilentServerIsFalse) {
  int closedPort = 0;
  {
    test::LoopbackListener listener;
    closedPort = listener.Port();
  }
  test::SilentServer silent;
  for (const int port : {closedPort, silent.Port()}) {
    UseOptions("Port=" + std::to_string(port) + "\nTimeOut=1\n");
    EXPECT_FALSE(Connect()) << port;
  }
}

TEST_P(FtpClient, HostOrUserThatWouldChangeTheRequestIsRefused) {
  EXPECT_FALSE(mFtp.Connect("127.0.0.1/evil", Server().User(), Server().Password()));
  EXPECT_FALSE(mFtp.Connect(Server().Host(), Server().User() + "\r\nDELE x", Server().Password()));
  EXPECT_FALSE(mFtp.Connect(Server().Host(), Server().User(), "secret\nx"));
}

TEST_P(FtpClient, ProtocolNameTheOptionsCannotMeanIsRefusedAndSaysSo) {
  UseOptions("Protocol=scp\n");
  EXPECT_FALSE(Connect());
  EXPECT_TRUE(Contains(mFtp.LastRefusal(), "Protocol")) << mFtp.LastRefusal();
  EXPECT_TRUE(Contains(mFtp.LastRefusal(), "scp")) << mFtp.LastRefusal();
  EXPECT_TRUE(Contains(Log(), mFtp.LastRefusal()));
  UseOptions("");
  EXPECT_TRUE(Connect());
  EXPECT_EQ(mFtp.LastRefusal(), "") << "each Connect starts afresh";
}

TEST_P(FtpClient, SetFtpDirTakesExchangeFolderTexts) {
  Server().PutFile("ForDownload/B01/B01-1.pkg", "1");
  Server().PutFile("top.pkg", "t");
  ASSERT_TRUE(Connect());
  for (const char* missing :
       {"ForDownload\\B99", "top.pkg", "ForDownload\\B01\\..\\B01", "..\\..", "ForDownload/.."}) {
    EXPECT_FALSE(mFtp.SetFtpDir(missing)) << missing;
  }
  for (const auto& [folder, listed] :
       std::vector<std::pair<std::string, std::string>>{{"ForDownload\\B01", "B01-1.pkg"},
                                                        {"", "top.pkg"},
                                                        {"/ForDownload/B01/", "B01-1.pkg"},
                                                        {"/", "top.pkg"}}) {
    ASSERT_TRUE(mFtp.SetFtpDir(folder)) << folder;
    EXPECT_EQ(mFtp.GetDirFile(), Names{listed}) << folder;
  }
}

// Folders, links and names unsafe as local file names leave the listing; the
// unsafe names are logged.
TEST_P(FtpClient, ListingHoldsOnlyPlainFilesWithSafeNames) {
  Server().PutFile("In/B01-1.pkg", "1");
  Server().PutFile("In/分店 二.pkg", "2");
  Server().MakeFolder("In/archive");
  Server().MakeLink("In/latest.pkg", "B01-1.pkg");
  Server().PutFile("In/..\\x.pkg", "evil");
  Server().PutFile("In/tab\tname.pkg", "evil");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_EQ(test::Sorted(mFtp.GetDirFile()), (Names{"B01-1.pkg", "分店 二.pkg"}));
  EXPECT_EQ(mFtp.GetDirFolders(), Names{"archive"});
  const std::string log = Log();
  EXPECT_EQ(GetLastLogFile().rfind(mHome / "Log/", 0), 0u);
  EXPECT_TRUE(Contains(log, "\"服务器文件名不安全，已跳过：..\\x.pkg\"\r\n")) << log;
  EXPECT_TRUE(Contains(log, "\"服务器文件名不安全，已跳过：tab\\x09name.pkg\"\r\n")) << log;
  EXPECT_FALSE(Contains(log, "B01-1.pkg"));
  // A folder's entries for itself and its parent are no unsafe names.
  EXPECT_FALSE(Contains(log, "已跳过：.\"")) << log;
  EXPECT_FALSE(Contains(log, "已跳过：..\"")) << log;
}

TEST_P(FtpClient, GetFileCopiesBytesExactlyAndReplacesTheLocalFile) {
  const std::string contents = "line\r\nnext\n\0\xFF" + Bytes(70000);
  Server().PutFile("In/B01 1.pkg", contents);
  test::WriteFile(Local("B01 1.pkg"), "old");
  ASSERT_TRUE(ConnectIn("In"));
  ASSERT_TRUE(mFtp.GetFile("B01 1.pkg", Local("B01 1.pkg")));
  EXPECT_EQ(test::ReadFile(Local("B01 1.pkg")), contents);
  EXPECT_EQ(test::FolderNames(mHome / "Temp"), Names{"B01 1.pkg"});
}

TEST_P(FtpClient, FailedTransfersLeaveBothSidesAsTheyWere) {
  test::WriteFile(Local("missing.pkg"), "mine");
  Server().PutFile("ForUpload/B01-1.pkg", "keep");
  ASSERT_TRUE(ConnectIn("ForUpload"));
  EXPECT_FALSE(mFtp.GetFile("missing.pkg", Local("missing.pkg")));
  EXPECT_FALSE(mFtp.GetFile("other.pkg", Local("other.pkg")));
  EXPECT_EQ(test::ReadFile(Local("missing.pkg")), "mine");
  EXPECT_EQ(test::FolderNames(mHome / "Temp"), Names{"missing.pkg"});
  EXPECT_FALSE(mFtp.GetFile("B01-1.pkg", mHome / "NoSuchFolder/x.pkg"));
  EXPECT_FALSE(mFtp.PutFile("B01-1.pkg", Local("absent.pkg")));
  EXPECT_EQ(Server().List("ForUpload"), Names{"B01-1.pkg"});
  EXPECT_EQ(Server().ReadFile("ForUpload/B01-1.pkg"), "keep");
  // The session still serves after each failure.
  EXPECT_TRUE(mFtp.GetFile("B01-1.pkg", Local("B01-1.pkg")));
}

// A send over a name the server holds (the relay's second try after a
// half-finished run, two sends of one name) replaces it, whichever
// protocol: an SFTP server refuses to rename onto a file that exists.
TEST_P(FtpClient, PutFileReplacesTheRemoteFileAndLeavesNoTemporaryName) {
  Server().PutFile("ForUpload/B01 1.pkg", "old");
  Server().PutFile("ForUpload/B01 1.pkg.temp", "left over");
  const std::string contents = Bytes(50000) + "\r\n";
  test::WriteFile(Local("B01 1.pkg"), contents);
  ASSERT_TRUE(ConnectIn("ForUpload"));
  ASSERT_TRUE(mFtp.PutFile("B01 1.pkg", Local("B01 1.pkg")));
  EXPECT_EQ(Server().List("ForUpload"), Names{"B01 1.pkg"});
  EXPECT_EQ(Server().ReadFile("ForUpload/B01 1.pkg"), contents);

  test::WriteFile(Local("B01 1.pkg"), "second send");
  ASSERT_TRUE(mFtp.PutFile("B01 1.pkg", Local("B01 1.pkg")));
  EXPECT_EQ(Server().List("ForUpload"), Names{"B01 1.pkg"});
  EXPECT_EQ(Server().ReadFile("ForUpload/B01 1.pkg"), "second send");
}

// Blanks, quotes and apostrophes are parts of names, not of the commands
// that carry them.
TEST_P(FtpClient, NamesWithBlanksAndQuotesSurviveEveryOperation) {
  const std::string name = "B01 \"night\" it's.pkg";
  test::WriteFile(Local("up.pkg"), "quoted");
  Server().MakeFolder("In");
  ASSERT_TRUE(ConnectIn("In"));
  ASSERT_TRUE(mFtp.PutFile(name, Local("up.pkg")));
  EXPECT_EQ(Server().ReadFile("In/" + name), "quoted");
  EXPECT_EQ(mFtp.GetDirFile(), Names{name});
  ASSERT_TRUE(mFtp.GetFile(name, Local("down.pkg")));
  EXPECT_EQ(test::ReadFile(Local("down.pkg")), "quoted");
  ASSERT_TRUE(mFtp.MoveToFolder(name, "Old \"ones\""));
  EXPECT_EQ(Server().ReadFile("In/Old \"ones\"/" + name), "quoted");
  ASSERT_TRUE(mFtp.SetFtpDir("In\\Old \"ones\""));
  EXPECT_TRUE(mFtp.DeleteFile(name));
  EXPECT_TRUE(Server().List("In/Old \"ones\"").empty());
}

TEST_P(FtpClient, DeleteFileRemovesOnlyThatFile) {
  Server().PutFile("In/a b.pkg", "a");
  Server().PutFile("In/c.pkg", "c");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_TRUE(mFtp.DeleteFile("a b.pkg"));
  EXPECT_FALSE(mFtp.DeleteFile("a b.pkg"));
  EXPECT_EQ(Server().List("In"), Names{"c.pkg"});
  EXPECT_EQ(mFtp.GetDirFile(), Names{"c.pkg"});
}

// The relay files a package it cannot route into a sub-folder, made when
// missing; the same name filed again replaces the earlier copy.
TEST_P(FtpClient, MoveToFolderMakesTheFolderAndReplacesAnEarlierCopy) {
  Server().PutFile("ForUpload/B01-1.pkg", "first");
  Server().PutFile("ForUpload/B01-2.pkg", "other");
  ASSERT_TRUE(ConnectIn("ForUpload"));
  ASSERT_TRUE(mFtp.MoveToFolder("B01-1.pkg", "Rejected"));
  EXPECT_EQ(Server().List("ForUpload"), (Names{"B01-2.pkg", "Rejected"}));
  EXPECT_EQ(Server().ReadFile("ForUpload/Rejected/B01-1.pkg"), "first");

  Server().PutFile("ForUpload/B01-1.pkg", "again");
  ASSERT_TRUE(mFtp.MoveToFolder("B01-1.pkg", "Rejected"));
  EXPECT_EQ(Server().List("ForUpload/Rejected"), Names{"B01-1.pkg"});
  EXPECT_EQ(Server().ReadFile("ForUpload/Rejected/B01-1.pkg"), "again");
  EXPECT_FALSE(mFtp.MoveToFolder("B01-1.pkg", "Rejected")) << "nothing left to move";
  EXPECT_EQ(Server().ReadFile("ForUpload/Rejected/B01-1.pkg"), "again");
}

// A remote name is one name of the current folder: none reaches a file
// beside it or above it, and none carries a line break into a command.
TEST_P(FtpClient, NamesThatWouldLeaveTheFolderOrBreakTheCommandAreRefused) {
  Server().PutFile("secret.pkg", "s");
  Server().PutFile("In/a.pkg", "a");
  Server().MakeFolder("Out");
  test::WriteFile(Local("x.pkg"), "x");
  ASSERT_TRUE(ConnectIn("In"));
  for (const char* name :
       {"../secret.pkg", "..", "..\\secret.pkg", "/secret.pkg", "sub/../../secret.pkg",
        "a.pkg\r\nDELE a.pkg", "x.pkg\nrm a.pkg", "a.pkg\n"}) {
    EXPECT_FALSE(mFtp.GetFile(name, Local("got.pkg"))) << name;
    EXPECT_FALSE(mFtp.DeleteFile(name)) << name;
    EXPECT_FALSE(mFtp.PutFile(name, Local("x.pkg"))) << name;
    EXPECT_FALSE(mFtp.MoveToFolder(name, "Rejected")) << name;
  }
  for (const char* folder : {"..", "../Out", ".", "Out\r\nDELE a.pkg"}) {
    EXPECT_FALSE(mFtp.MoveToFolder("a.pkg", folder)) << folder;
  }
  EXPECT_FALSE(mFtp.SetFtpDir("In\r\nDELE a.pkg"));
  EXPECT_EQ(test::FolderNames(mHome / "Temp"), Names{"x.pkg"});
  EXPECT_EQ(Server().List(), (Names{"In", "Out", "secret.pkg"}));
  EXPECT_EQ(Server().List("In"), Names{"a.pkg"});
  EXPECT_TRUE(Server().List("Out").empty());
}

TEST_P(FtpClient, InstancesShareTheOneConnectionOfTheProcess) {
  Server().PutFile("In/a.pkg", "a");
  ASSERT_TRUE(ConnectIn("In"));
  {
    clsFTP second;
    EXPECT_EQ(second.GetDirFile(), Names{"a.pkg"});
  }
  // The second instance logged out of the shared connection as it ended.
  EXPECT_TRUE(mFtp.GetDirFile().empty());
  EXPECT_FALSE(mFtp.DisConnect());
}

TEST_P(FtpClient, UnknownProxyTypeRefusesToConnect) {
  UseOptions("ProxyType=7\n");
  EXPECT_FALSE(Connect());
}

// A site behind a SOCKS5 proxy reaches its server through it: the server's
// name here is one only the proxy can resolve.
TEST_P(FtpClient, ReachesTheServerThroughASocks5Proxy) {
  const std::string name = "files.exchange.invalid";
  test::SocksProxy proxy({{name, "127.0.0.1"}});
  std::string lines =
      "ProxyType=2\nProxyHost=127.0.0.1\nProxyPort=" + std::to_string(proxy.Port()) + "\n";
  if (GetParam() == Protocol::kSftp) {
    // The host key is pinned for the name the client asks for.
    const std::string pinned = test::ReadFile(static_cast<SftpServer&>(Server()).KnownHostsFile());
    const std::string file = mHome / "Octopus/proxied_hosts";
    test::WriteFile(file, "[" + name + "]:" + std::to_string(Server().Port()) +
                              pinned.substr(pinned.find(' ')));
    lines += "KnownHosts=" + file + "\n";
  }
  UseOptions(lines);
  Server().PutFile("In/a.pkg", "through the proxy");
  test::WriteFile(Local("b.pkg"), "back through it");
  ASSERT_TRUE(mFtp.Connect(name, Server().User(), Server().Password())) << mFtp.LastRefusal();
  ASSERT_TRUE(mFtp.SetFtpDir("In"));
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_EQ(test::ReadFile(Local("a.pkg")), "through the proxy");
  ASSERT_TRUE(mFtp.PutFile("b.pkg", Local("b.pkg")));
  EXPECT_EQ(Server().ReadFile("In/b.pkg"), "back through it");
}

INSTANTIATE_TEST_SUITE_P(, FtpClient, testing::Values(Protocol::kFtp, Protocol::kSftp),
                         ProtocolName);

// The same cases against servers whose transfers crawl, so that a test can
// act while one runs.
class SlowClient : public FtpClient {
 protected:
  int BytesPerSecond() const override { return 64 * 1024; }
};

TEST_P(SlowClient, ListingDuringAnUploadShowsOnlyTheTemporaryName) {
  Server().PutFile("ForUpload/B01-1.pkg", "old");
  const std::string contents = Bytes(640 * 1024);
  test::WriteFile(Local("B01-1.pkg"), contents);
  ASSERT_TRUE(ConnectIn("ForUpload"));
  auto upload =
      std::async(std::launch::async, [&] { return mFtp.PutFile("B01-1.pkg", Local("B01-1.pkg")); });
  const bool sawTemporary = test::WaitForFolder(Server().Root() + "/ForUpload", [&] {
    Names names = Server().List("ForUpload");
    return names == Names{"B01-1.pkg.temp"};
  });
  EXPECT_TRUE(sawTemporary);
  EXPECT_TRUE(upload.get());
  EXPECT_EQ(Server().List("ForUpload"), Names{"B01-1.pkg"});
  EXPECT_EQ(Server().ReadFile("ForUpload/B01-1.pkg"), contents);
}

TEST_P(SlowClient, ServerStoppedDuringAFetchLeavesNothingLocally) {
  Server().PutFile("In/B01-1.pkg", Bytes(1024 * 1024));
  ASSERT_TRUE(ConnectIn("In"));
  auto fetch =
      std::async(std::launch::async, [&] { return mFtp.GetFile("B01-1.pkg", Local("B01-1.pkg")); });
  const bool started = test::WaitForFolder(mHome / "Temp", [&] {
    for (const fs::directory_entry& entry : fs::directory_iterator(mHome / "Temp")) {
      std::error_code ec;
      if (entry.file_size(ec) > 0 && !ec) return true;
    }
    return false;
  });
  Server().Stop();
  EXPECT_TRUE(started);
  EXPECT_FALSE(fetch.get());
  EXPECT_TRUE(test::FolderNames(mHome / "Temp").empty());
}

INSTANTIATE_TEST_SUITE_P(, SlowClient, testing::Values(Protocol::kFtp, Protocol::kSftp),
                         ProtocolName);

// FTP's own: active mode, a server that closes idle connections, TLS.
template <FtpServerOptions kOptions>
class FtpServerClient : public ClientFixture {
 protected:
  FtpServerClient() {
    auto server = std::make_unique<FtpServer>(kOptions);
    mFtpServer = server.get();
    Start(std::move(server));
  }
  FtpServer* mFtpServer = nullptr;
};
using PlainFtpClient = FtpServerClient<FtpServerOptions{}>;
using IdleFtpClient = FtpServerClient<FtpServerOptions{.idleSeconds = 1}>;
using TlsFtpClient = FtpServerClient<FtpServerOptions{.tls = true}>;

TEST_F(PlainFtpClient, ActiveModeWithinAPortRange) {
  int first = 0;
  {
    test::LoopbackListener probe;
    first = std::min(probe.Port(), 65535 - 50);
  }
  UseOptions("PASV=0\nManualPort=1\nMinDataPort=" + std::to_string(first) +
             "\nMaxDataPort=" + std::to_string(first + 50) + "\n");
  Server().PutFile("In/a.pkg", "active");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_EQ(test::ReadFile(Local("a.pkg")), "active");
}

TEST_F(PlainFtpClient, BadPortRangeForActiveModeRefusesToConnect) {
  UseOptions("PASV=0\nManualPort=1\nMinDataPort=abc\nMaxDataPort=\n");
  EXPECT_FALSE(Connect());
}

TEST_F(PlainFtpClient, TlsRequiredAgainstAPlainServerIsRefused) {
  for (const char* options : {"TLS=1\n", "Protocol=ftps\n", "Protocol=FTPS\nTLS=0\n"}) {
    UseOptions(options);
    EXPECT_FALSE(Connect()) << options;
  }
  UseOptions("Protocol=ftp\nTLS=1\n");
  EXPECT_TRUE(Connect()) << "Protocol= wins over TLS=";
}

TEST_F(IdleFtpClient, ConnectionClosedByTheServerWhileIdleIsReopened) {
  Server().PutFile("In/a.pkg", "a");
  ASSERT_TRUE(ConnectIn("In"));
  // The server's idle clock runs from the end of a transfer.
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mFtpServer->WaitForIdleClose());
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mFtpServer->WaitForIdleClose());
  ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_EQ(test::ReadFile(Local("a.pkg")), "a");
}

TEST_F(TlsFtpClient, VerifiedTlsCarriesLoginListingAndTransfers) {
  for (const std::string protocol : {"TLS=1\n", "Protocol=ftps\n"}) {
    UseOptions(protocol + "CAFile=" + mFtpServer->CertificateFile() + "\n");
    Server().PutFile("In/a.pkg", "secret package");
    test::WriteFile(Local("up.pkg"), "sent over tls");
    ASSERT_TRUE(ConnectIn("In")) << protocol;
    EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
    ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
    EXPECT_EQ(test::ReadFile(Local("a.pkg")), "secret package");
    ASSERT_TRUE(mFtp.PutFile("up.pkg", Local("up.pkg")));
    EXPECT_EQ(Server().ReadFile("In/up.pkg"), "sent over tls");
    ASSERT_TRUE(mFtp.DeleteFile("up.pkg"));
  }
}

TEST_F(TlsFtpClient, UntrustedCertificateOrPlainClientCannotLogIn) {
  for (const char* options : {"TLS=1\n", "", "Protocol=ftp\nTLS=1\n"}) {
    UseOptions(options);
    EXPECT_FALSE(Connect()) << options;
  }
}

// SFTP's own: the host key pinned in a known_hosts file, the key file's
// permissions, sessions that break off.
class SftpClient : public ClientFixture {
 protected:
  void SetUp() override {
    TAVEX_REQUIRE_SSHD();
    auto server = std::make_unique<SftpServer>();
    mSftp = server.get();
    Start(std::move(server));
  }
  // Times the server's log says a client logged in.
  std::size_t Logins() const {
    const std::string log = mSftp->LogText();
    std::size_t count = 0;
    for (std::size_t at = log.find("Accepted "); at != std::string::npos;
         at = log.find("Accepted ", at + 1)) {
      ++count;
    }
    return count;
  }
  // The key type and key of the server's known_hosts line, with its end.
  std::string PinnedKey() const {
    const std::string line = test::ReadFile(mSftp->KnownHostsFile());
    return line.substr(line.find(' ') + 1);
  }
  SftpServer* mSftp = nullptr;
};

TEST_F(SftpClient, ChangedHostKeyIsRefusedWithItsFingerprint) {
  const std::string impostor = mSftp->MakeKey("impostor");
  UseOptions("KnownHosts=" + mSftp->KnownHostsNaming("changed_hosts", impostor + ".pub") + "\n");
  EXPECT_FALSE(Connect());
  const std::string refusal = mFtp.LastRefusal();
  // The server offers its ed25519 key, the type the file pins.
  EXPECT_TRUE(Contains(refusal, mSftp->HostKeyFingerprints().front())) << refusal;
  EXPECT_TRUE(Contains(refusal, "与已知主机文件（KnownHosts）中记录的不同")) << refusal;
  EXPECT_TRUE(Contains(Log(), "\"" + refusal + "\"\r\n"));
  EXPECT_EQ(Logins(), 0u) << "refused before the login";
  EXPECT_TRUE(mFtp.GetDirFile().empty());
}

// An unknown key is refused, never taken on trust, and named so that an
// administrator can check it with the server's own.
TEST_F(SftpClient, UnknownHostIsRefusedWithItsFingerprint) {
  const std::string elsewhere = mHome / "Octopus/elsewhere_hosts";
  test::WriteFile(elsewhere, "[127.0.0.1]:1 " + PinnedKey());
  test::WriteFile(mHome / "Octopus/empty_hosts", "");
  for (const std::string& knownHosts : {std::string(), mHome / "Octopus/empty_hosts", elsewhere}) {
    UseOptions("KnownHosts=" + knownHosts + "\n");
    EXPECT_FALSE(Connect()) << knownHosts;
    const std::string refusal = mFtp.LastRefusal();
    EXPECT_TRUE(Contains(refusal, "不在已知主机文件（KnownHosts）中")) << refusal;
    EXPECT_TRUE(std::any_of(mSftp->HostKeyFingerprints().begin(),
                            mSftp->HostKeyFingerprints().end(),
                            [&](const std::string& key) { return Contains(refusal, key); }))
        << refusal;
  }
  UseOptions("KnownHosts=" + mHome / "Octopus/no_such_file" + "\n");
  EXPECT_FALSE(Connect());
  EXPECT_TRUE(Contains(mFtp.LastRefusal(), mHome / "Octopus/no_such_file"));
  EXPECT_EQ(Logins(), 0u);
}

// As OpenSSH's own client writes it by default: host names hashed, other
// hosts around it; and a relative path is taken beside MAIN.INI.
TEST_F(SftpClient, HashedKnownHostsBesideTheOptionsFileAreRead) {
  const std::string file = mHome / "Octopus/known_hosts";
  test::WriteFile(file, "# the chain's servers\n[10.0.0.9]:22 " + PinnedKey() +
                            test::ReadFile(mSftp->KnownHostsFile()));
  ASSERT_EQ(std::system(("ssh-keygen -q -H -f '" + file + "' >/dev/null 2>&1").c_str()), 0);
  ASSERT_FALSE(Contains(test::ReadFile(file), "127.0.0.1"));
  UseOptions("KnownHosts=known_hosts\n");
  EXPECT_TRUE(Connect()) << mFtp.LastRefusal();
}

TEST_F(SftpClient, KeyFileOthersMayReachIsRefusedBeforeConnecting) {
  for (const auto& [mode, accepted] : std::vector<std::pair<fs::perms, bool>>{
           {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, false},
           {fs::perms::owner_read | fs::perms::others_read, false},
           {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write, false},
           {fs::perms::owner_read | fs::perms::owner_write, true},
           {fs::perms::owner_read, true}}) {
    fs::permissions(mSftp->ClientKeyFile(), mode);
    EXPECT_EQ(Connect(), accepted) << static_cast<int>(mode);
    if (!accepted) {
      EXPECT_TRUE(Contains(mFtp.LastRefusal(), "权限过宽")) << mFtp.LastRefusal();
      EXPECT_TRUE(Contains(mFtp.LastRefusal(), mSftp->ClientKeyFile())) << mFtp.LastRefusal();
    }
  }
  EXPECT_EQ(Logins(), 2u) << "only the two private keys were offered";
  UseOptions("PrivateKey=" + mHome / "no_such_key" + "\n");
  EXPECT_FALSE(Connect());
  EXPECT_TRUE(Contains(mFtp.LastRefusal(), mHome / "no_such_key"));
}

// One key exchange and one login carry every request of a run.
TEST_F(SftpClient, RequestsShareOneSession) {
  Server().PutFile("In/a.pkg", "a");
  test::WriteFile(Local("b.pkg"), "b");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  EXPECT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_TRUE(mFtp.PutFile("b.pkg", Local("b.pkg")));
  EXPECT_TRUE(mFtp.MoveToFolder("a.pkg", "Done"));
  EXPECT_FALSE(mFtp.DeleteFile("a.pkg")) << "moved away";
  EXPECT_TRUE(mFtp.DeleteFile("b.pkg"));
  EXPECT_FALSE(mFtp.SetFtpDir("Missing"));
  EXPECT_TRUE(mFtp.SetFtpDir("In\\Done"));
  EXPECT_EQ(Logins(), 1u);
}

TEST_F(SftpClient, SessionsTheServerDropsAreOpenedAgain) {
  Server().PutFile("In/a.pkg", "a");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  mSftp->DropSessions();
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  mSftp->DropSessions();
  ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_EQ(test::ReadFile(Local("a.pkg")), "a");
  EXPECT_EQ(Logins(), 3u);
}

// A session that stops answering half-way is given up after the time-out
// and the request runs on a fresh one, instead of waiting for ever.
TEST_F(SftpClient, SessionThatStopsAnsweringIsLeftForAFreshOne) {
  UseOptions("TimeOut=1\n");
  Server().PutFile("In/a.pkg", "a");
  Server().PutFile("In/b.pkg", "b");
#if defined(__SANITIZE_ADDRESS__)
  // libcurl 7.88 keeps a few of a session's allocations (its login folder,
  // a command's paths, libssh2's session) when it gives the session up in
  // the middle of a command: a fault of the library, bounded per session
  // given up, and no concern of the client's.
  __lsan::ScopedDisabler abandonedSession;
#endif
  ASSERT_TRUE(ConnectIn("In"));
  mSftp->FreezeSessions();
  const bool deleted = mFtp.DeleteFile("a.pkg");
  mSftp->ThawSessions();
  EXPECT_TRUE(deleted);
  EXPECT_EQ(Server().List("In"), Names{"b.pkg"});
  EXPECT_EQ(Logins(), 2u);
}

// Every exchange folder is taken from the folder SFTP sessions start in, as
// an FTP server's root.
TEST_F(SftpClient, FoldersAreTakenFromTheLoginFolder) {
  Server().PutFile("ForUpload/a.pkg", "a");
  ASSERT_TRUE(Connect());
  EXPECT_FALSE(mFtp.SetFtpDir(Server().Root() + "/ForUpload"));
  ASSERT_TRUE(mFtp.SetFtpDir("ForUpload"));
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
}

// Password login, as a throwaway account made for the server: the password
// of the exchange settings is sent only when no key file is set.
class SftpPasswordClient : public ClientFixture {
 protected:
  void SetUp() override {
    TAVEX_REQUIRE_SSHD();
    if (!SftpServer::PasswordAccountsAvailable()) {
      GTEST_SKIP() << SftpServer::PasswordAccountsUnavailableReason();
    }
    auto server = std::make_unique<SftpServer>(SftpServerOptions{.password = true});
    mSftp = server.get();
    Start(std::move(server));
  }
  SftpServer* mSftp = nullptr;
};

TEST_F(SftpPasswordClient, PasswordGoesOnlyWhereNoKeyFileIsSet) {
  struct Case {
    std::string key;  // "PrivateKey" ("" none)
    std::string password;
    bool accepted;
  };
  const std::string stranger = mSftp->MakeKey("stranger");
  for (const auto& [key, password, accepted] :
       std::vector<Case>{{"", Server().Password(), true},
                         {"", "wrong", false},
                         {stranger, Server().Password(), false},
                         {mSftp->ClientKeyFile(), "wrong", true}}) {
    UseOptions("PrivateKey=" + key + "\n");
    const std::size_t logged = mSftp->LogText().size();
    EXPECT_EQ(Connect(password), accepted) << key << " " << password;
    if (!key.empty()) {
      EXPECT_FALSE(Contains(mSftp->LogText().substr(logged), "password"))
          << "no password offered with a key file:\n"
          << mSftp->LogText().substr(logged);
    }
  }
  UseOptions("");
  test::WriteFile(Local("up.pkg"), "by password");
  ASSERT_TRUE(ConnectIn("/"));
  ASSERT_TRUE(mFtp.PutFile("up.pkg", Local("up.pkg")));
  ASSERT_TRUE(mFtp.GetFile("up.pkg", Local("down.pkg")));
  EXPECT_EQ(test::ReadFile(Local("down.pkg")), "by password");
}

}  // namespace
}  // namespace tavex
