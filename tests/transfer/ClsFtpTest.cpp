#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>

#include "storage/SyncLog.h"
#include "support/FolderWatch.h"
#include "support/FtpServer.h"
#include "support/PluginHome.h"
#include "support/Sorted.h"
#include "transfer/clsFTP.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;
using test::FtpServer;
using test::FtpServerOptions;
using Names = std::vector<std::string>;

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

class FtpClient : public ::testing::Test {
 protected:
  explicit FtpClient(FtpServerOptions options = {}) : mServer(options) {
    UseOptions("");
    fs::create_directories(mHome / "Temp");
  }

  // Writes the options file for the test server plus `extra` lines.
  void UseOptions(const std::string& extra) {
    mHome.WriteOptions("[FTP]\nPort=" + std::to_string(mServer.Port()) + "\nTimeOut=10\n" + extra);
  }

  bool Connect(const std::string& password = FtpServer::kPassword) {
    return mFtp.Connect(mServer.Host(), FtpServer::kUser, password);
  }

  bool ConnectIn(const std::string& folder) { return Connect() && mFtp.SetFtpDir(folder); }

  std::string Local(const std::string& name) const { return mHome / ("Temp/" + name); }

  test::PluginHome mHome;
  FtpServer mServer;
  clsFTP mFtp;
};

TEST_F(FtpClient, ConnectLogsInAndDisConnectEndsTheSession) {
  EXPECT_FALSE(mFtp.DisConnect());
  ASSERT_TRUE(Connect());
  EXPECT_TRUE(mFtp.DisConnect());
  EXPECT_FALSE(mFtp.DisConnect());
  EXPECT_TRUE(mFtp.GetDirFile().empty());
}

TEST_F(FtpClient, RefusedLoginIsFalseAndLeavesNoSession) {
  mServer.PutFile("a.pkg", "x");
  EXPECT_FALSE(Connect("wrong"));
  EXPECT_TRUE(mFtp.GetDirFile().empty());
  EXPECT_FALSE(mFtp.SetFtpDir("/"));
  EXPECT_FALSE(mFtp.DisConnect());
}

// A closed port, and a server that never answers, fail instead of hanging.
TEST_F(FtpClient, UnreachableOrSilentServerIsFalse) {
  int closedPort = 0;
  {
    test::LoopbackListener listener;
    closedPort = listener.Port();
  }
  test::SilentServer silent;
  for (const int port : {closedPort, silent.Port()}) {
    mHome.WriteOptions("[FTP]\nPort=" + std::to_string(port) + "\nTimeOut=1\n");
    EXPECT_FALSE(Connect()) << port;
  }
}

TEST_F(FtpClient, HostOrUserThatWouldChangeTheRequestIsRefused) {
  EXPECT_FALSE(mFtp.Connect("127.0.0.1/evil", FtpServer::kUser, FtpServer::kPassword));
  EXPECT_FALSE(mFtp.Connect(mServer.Host(), "tester\r\nDELE x", FtpServer::kPassword));
  EXPECT_FALSE(mFtp.Connect(mServer.Host(), FtpServer::kUser, "secret\nx"));
}

TEST_F(FtpClient, SetFtpDirTakesExchangeFolderTexts) {
  mServer.PutFile("ForDownload/B01/B01-1.pkg", "1");
  mServer.PutFile("top.pkg", "t");
  ASSERT_TRUE(Connect());
  EXPECT_FALSE(mFtp.SetFtpDir("ForDownload\\B99"));
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
TEST_F(FtpClient, ListingHoldsOnlyPlainFilesWithSafeNames) {
  mServer.PutFile("In/B01-1.pkg", "1");
  mServer.PutFile("In/分店 二.pkg", "2");
  mServer.MakeFolder("In/archive");
  mServer.MakeLink("In/latest.pkg", "B01-1.pkg");
  mServer.PutFile("In/..\\x.pkg", "evil");
  mServer.PutFile("In/tab\tname.pkg", "evil");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_EQ(test::Sorted(mFtp.GetDirFile()), (Names{"B01-1.pkg", "分店 二.pkg"}));
  const std::string log = test::ReadFile(GetLastLogFile());
  EXPECT_EQ(GetLastLogFile().rfind(mHome / "Log/", 0), 0u);
  EXPECT_NE(log.find("\"服务器文件名不安全，已跳过：..\\x.pkg\"\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\"服务器文件名不安全，已跳过：tab\\x09name.pkg\"\r\n"), std::string::npos)
      << log;
  EXPECT_EQ(log.find("B01-1.pkg"), std::string::npos);
}

TEST_F(FtpClient, GetFileCopiesBytesExactlyAndReplacesTheLocalFile) {
  const std::string contents = "line\r\nnext\n\0\xFF" + Bytes(70000);
  mServer.PutFile("In/B01 1.pkg", contents);
  test::WriteFile(Local("B01 1.pkg"), "old");
  ASSERT_TRUE(ConnectIn("In"));
  ASSERT_TRUE(mFtp.GetFile("B01 1.pkg", Local("B01 1.pkg")));
  EXPECT_EQ(test::ReadFile(Local("B01 1.pkg")), contents);
  EXPECT_EQ(test::FolderNames(mHome / "Temp"), Names{"B01 1.pkg"});
}

TEST_F(FtpClient, FailedTransfersLeaveBothSidesAsTheyWere) {
  test::WriteFile(Local("missing.pkg"), "mine");
  mServer.PutFile("ForUpload/B01-1.pkg", "keep");
  ASSERT_TRUE(ConnectIn("ForUpload"));
  EXPECT_FALSE(mFtp.GetFile("missing.pkg", Local("missing.pkg")));
  EXPECT_FALSE(mFtp.GetFile("other.pkg", Local("other.pkg")));
  EXPECT_EQ(test::ReadFile(Local("missing.pkg")), "mine");
  EXPECT_EQ(test::FolderNames(mHome / "Temp"), Names{"missing.pkg"});
  EXPECT_FALSE(mFtp.GetFile("B01-1.pkg", mHome / "NoSuchFolder/x.pkg"));
  EXPECT_FALSE(mFtp.PutFile("B01-1.pkg", Local("absent.pkg")));
  EXPECT_EQ(mServer.List("ForUpload"), Names{"B01-1.pkg"});
  EXPECT_EQ(mServer.ReadFile("ForUpload/B01-1.pkg"), "keep");
}

TEST_F(FtpClient, PutFileReplacesTheRemoteFileAndLeavesNoTemporaryName) {
  mServer.PutFile("ForUpload/B01 1.pkg", "old");
  mServer.PutFile("ForUpload/B01 1.pkg.temp", "left over");
  const std::string contents = Bytes(50000) + "\r\n";
  test::WriteFile(Local("B01 1.pkg"), contents);
  ASSERT_TRUE(ConnectIn("ForUpload"));
  ASSERT_TRUE(mFtp.PutFile("B01 1.pkg", Local("B01 1.pkg")));
  EXPECT_EQ(mServer.List("ForUpload"), Names{"B01 1.pkg"});
  EXPECT_EQ(mServer.ReadFile("ForUpload/B01 1.pkg"), contents);
}

TEST_F(FtpClient, DeleteFileRemovesOnlyThatFile) {
  mServer.PutFile("In/a b.pkg", "a");
  mServer.PutFile("In/c.pkg", "c");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_TRUE(mFtp.DeleteFile("a b.pkg"));
  EXPECT_FALSE(mFtp.DeleteFile("a b.pkg"));
  EXPECT_EQ(mServer.List("In"), Names{"c.pkg"});
  EXPECT_EQ(mFtp.GetDirFile(), Names{"c.pkg"});
}

TEST_F(FtpClient, NamesWithLineBreaksAreRefusedBeforeReachingTheServer) {
  mServer.PutFile("In/victim.pkg", "v");
  test::WriteFile(Local("x.pkg"), "x");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_FALSE(mFtp.PutFile("x.pkg\r\nDELE victim.pkg", Local("x.pkg")));
  EXPECT_FALSE(mFtp.DeleteFile("x\r\nDELE victim.pkg"));
  EXPECT_FALSE(mFtp.GetFile("victim.pkg\n", Local("v.pkg")));
  EXPECT_FALSE(mFtp.SetFtpDir("In\r\nDELE victim.pkg"));
  EXPECT_EQ(mServer.List("In"), Names{"victim.pkg"});
}

TEST_F(FtpClient, InstancesShareTheOneConnectionOfTheProcess) {
  mServer.PutFile("In/a.pkg", "a");
  ASSERT_TRUE(ConnectIn("In"));
  {
    clsFTP second;
    EXPECT_EQ(second.GetDirFile(), Names{"a.pkg"});
  }
  // The second instance logged out of the shared connection as it ended.
  EXPECT_TRUE(mFtp.GetDirFile().empty());
  EXPECT_FALSE(mFtp.DisConnect());
}

TEST_F(FtpClient, ActiveModeWithinAPortRange) {
  int first = 0;
  {
    test::LoopbackListener probe;
    first = std::min(probe.Port(), 65535 - 50);
  }
  UseOptions("PASV=0\nManualPort=1\nMinDataPort=" + std::to_string(first) +
             "\nMaxDataPort=" + std::to_string(first + 50) + "\n");
  mServer.PutFile("In/a.pkg", "active");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_EQ(test::ReadFile(Local("a.pkg")), "active");
}

TEST_F(FtpClient, UnknownProxyTypeOrBadPortRangeRefusesToConnect) {
  UseOptions("ProxyType=7\n");
  EXPECT_FALSE(Connect());
  UseOptions("PASV=0\nManualPort=1\nMinDataPort=abc\nMaxDataPort=\n");
  EXPECT_FALSE(Connect());
}

// The same client against a server that closes idle connections, one that
// sends slowly, and one that requires TLS.
template <FtpServerOptions kOptions>
class FtpClientWith : public FtpClient {
 protected:
  FtpClientWith() : FtpClient(kOptions) {}
};
using IdleFtpClient = FtpClientWith<FtpServerOptions{.idleSeconds = 1}>;
using SlowFtpClient = FtpClientWith<FtpServerOptions{.bytesPerSecond = 64 * 1024}>;
using TlsFtpClient = FtpClientWith<FtpServerOptions{.tls = true}>;

TEST_F(IdleFtpClient, ConnectionClosedByTheServerWhileIdleIsReopened) {
  mServer.PutFile("In/a.pkg", "a");
  ASSERT_TRUE(ConnectIn("In"));
  // The server's idle clock runs from the end of a transfer.
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mServer.WaitForIdleClose());
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mServer.WaitForIdleClose());
  ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_EQ(test::ReadFile(Local("a.pkg")), "a");
}

TEST_F(SlowFtpClient, ListingDuringAnUploadShowsOnlyTheTemporaryName) {
  mServer.PutFile("ForUpload/B01-1.pkg", "old");
  const std::string contents = Bytes(640 * 1024);
  test::WriteFile(Local("B01-1.pkg"), contents);
  ASSERT_TRUE(ConnectIn("ForUpload"));
  auto upload =
      std::async(std::launch::async, [&] { return mFtp.PutFile("B01-1.pkg", Local("B01-1.pkg")); });
  const bool sawTemporary = test::WaitForFolder(mServer.Root() + "/ForUpload", [&] {
    Names names = mServer.List("ForUpload");
    return names == Names{"B01-1.pkg.temp"};
  });
  EXPECT_TRUE(sawTemporary);
  EXPECT_TRUE(upload.get());
  EXPECT_EQ(mServer.List("ForUpload"), Names{"B01-1.pkg"});
  EXPECT_EQ(mServer.ReadFile("ForUpload/B01-1.pkg"), contents);
}

TEST_F(SlowFtpClient, ServerStoppedDuringAFetchLeavesNothingLocally) {
  mServer.PutFile("In/B01-1.pkg", Bytes(1024 * 1024));
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
  mServer.Stop();
  EXPECT_TRUE(started);
  EXPECT_FALSE(fetch.get());
  EXPECT_TRUE(test::FolderNames(mHome / "Temp").empty());
}

TEST_F(TlsFtpClient, VerifiedTlsCarriesLoginListingAndTransfers) {
  UseOptions("TLS=1\nCAFile=" + mServer.CertificateFile() + "\n");
  mServer.PutFile("In/a.pkg", "secret package");
  test::WriteFile(Local("up.pkg"), "sent over tls");
  ASSERT_TRUE(ConnectIn("In"));
  EXPECT_EQ(mFtp.GetDirFile(), Names{"a.pkg"});
  ASSERT_TRUE(mFtp.GetFile("a.pkg", Local("a.pkg")));
  EXPECT_EQ(test::ReadFile(Local("a.pkg")), "secret package");
  ASSERT_TRUE(mFtp.PutFile("up.pkg", Local("up.pkg")));
  EXPECT_EQ(mServer.ReadFile("In/up.pkg"), "sent over tls");
}

TEST_F(TlsFtpClient, UntrustedCertificateOrPlainClientCannotLogIn) {
  for (const char* options : {"TLS=1\n", ""}) {
    UseOptions(options);
    EXPECT_FALSE(Connect()) << options;
  }
}

TEST_F(FtpClient, TlsRequiredAgainstAPlainServerIsRefused) {
  UseOptions("TLS=1\n");
  EXPECT_FALSE(Connect());
}

}  // namespace
}  // namespace tavex
