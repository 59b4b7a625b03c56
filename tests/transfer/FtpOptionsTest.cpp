#include <gtest/gtest.h>

#include <climits>

#include "database/AsciiText.h"
#include "support/PluginHome.h"
#include "transfer/FtpOptions.h"
#include "transfer/IniSection.h"

namespace tavex {
namespace {

class FtpOptionsFile : public ::testing::Test {
 protected:
  FtpOptions Read(const std::string& text) {
    mHome.WriteOptions(text);
    std::optional<FtpOptions> options = ReadFtpOptions(TransferOptionsFile());
    EXPECT_TRUE(options.has_value());
    return options.value_or(FtpOptions{});
  }

  test::PluginHome mHome;
};

TEST_F(FtpOptionsFile, MissingFileGivesEveryDefault) {
  std::optional<FtpOptions> options = ReadFtpOptions(TransferOptionsFile());
  ASSERT_TRUE(options.has_value());
  EXPECT_EQ(options->port, 21);
  EXPECT_EQ(options->proxyType, 0);
  EXPECT_FALSE(options->tls);
}

// Port and time-out take their leading number (never zero), passive mode
// only "1", and the data ports only with ManualPort=1; keys of other sections
// do not count.
TEST_F(FtpOptionsFile, NumbersAndSwitchesFallBackToTheirDefaults) {
  struct Case {
    const char* lines;
    std::string expected;  // port|time-out|passive|data ports
  };
  for (const auto& [lines, expected] : std::vector<Case>{
           {"ProxyHost=proxy.local\n[Other]\nPort=99\nTimeOut=1", "21|30000|1|0"},
           {"Port=abc", "21|30000|1|0"},
           {"Port=0", "21|30000|1|0"},
           {"Port= 2121x", "2121|30000|1|0"},
           {"TimeOut=5", "21|5000|1|0"},
           {"TimeOut=0", "21|30000|1|0"},
           {"TimeOut=abc", "21|30000|1|0"},
           {"TimeOut=", "21|30000|1|0"},
           {"PASV=0", "21|30000|0|0"},
           {"PASV=yes", "21|30000|0|0"},
           {"ManualPort=1\nMinDataPort=5000\nMaxDataPort=5010", "21|30000|1|5000:5010"},
           {"ManualPort=0\nMinDataPort=5000\nMaxDataPort=5010", "21|30000|1|0"}}) {
    const FtpOptions o = Read(std::string("[FTP]\n") + lines + "\n");
    EXPECT_EQ(expected, std::to_string(o.port) + "|" + std::to_string(o.timeOutMs) + "|" +
                            std::to_string(o.passive) + "|" + o.DataPortRange())
        << lines;
  }
}

TEST_F(FtpOptionsFile, ProxyTlsAndNamesMatchWithoutRegardToCase) {
  FtpOptions options = Read(
      "[ftp]\nproxytype=2\nPROXYHOST=socks.local\nProxyPort=1080\nProxyUserName=u\n"
      "ProxyPassword=p w\nTLS=1\nCAFile=/etc/ca.pem\n");
  EXPECT_EQ(options.proxyType, static_cast<long>(FtpProxyType::kSocks5));
  EXPECT_EQ(options.proxyHost, "socks.local");
  EXPECT_EQ(options.proxyPort, 1080);
  EXPECT_EQ(options.proxyUserName, "u");
  EXPECT_EQ(options.proxyPassword, "p w");
  EXPECT_TRUE(options.tls);
  EXPECT_EQ(options.caFile, "/etc/ca.pem");
  EXPECT_FALSE(Read("[FTP]\nTLS=yes\n").tls);
}

// "Protocol" wins over "TLS"; without it "TLS=1" still means FTPS. The
// default port follows the protocol.
TEST_F(FtpOptionsFile, ProtocolComesFromProtocolElseFromTls) {
  struct Case {
    const char* lines;
    std::optional<TransferProtocol> protocol;
    long port;
  };
  using enum TransferProtocol;
  for (const auto& [lines, protocol, port] :
       std::vector<Case>{{"", kFtp, 21},
                         {"TLS=1", kFtps, 21},
                         {"TLS=yes", kFtp, 21},
                         {"Protocol=ftp\nTLS=1", kFtp, 21},
                         {"Protocol=FTPS", kFtps, 21},
                         {"Protocol= sftp \nTLS=1", kSftp, 22},
                         {"Protocol=SFTP\nPort=2222", kSftp, 2222},
                         {"Protocol=sftp\nPort=0", kSftp, 22},
                         {"Protocol=", kFtp, 21},
                         {"Protocol=scp", std::nullopt, 21},
                         {"Protocol=sftp2", std::nullopt, 21}}) {
    const FtpOptions o = Read(std::string("[FTP]\n") + lines + "\n");
    EXPECT_EQ(o.Protocol(), protocol) << lines;
    EXPECT_EQ(o.port, port) << lines;
  }
}

// The SFTP key files may sit beside the options file: a relative path is
// taken from its folder, whatever folder the run starts in.
TEST_F(FtpOptionsFile, RelativeKeyFilesAreTakenBesideTheOptionsFile) {
  const FtpOptions relative =
      Read("[FTP]\nProtocol=sftp\nKnownHosts=known_hosts\nPrivateKey=keys/../id_ed25519\n");
  EXPECT_EQ(relative.knownHosts, mHome / "Octopus/known_hosts");
  EXPECT_EQ(relative.privateKey, mHome / "Octopus/id_ed25519");
  const FtpOptions absolute = Read("[FTP]\nKnownHosts=/etc/tavex/known_hosts\nPrivateKey=\n");
  EXPECT_EQ(absolute.knownHosts, "/etc/tavex/known_hosts");
  EXPECT_EQ(absolute.privateKey, "");
}

TEST(NonNegativeNumber, ReadsTheNumberAtTheStartAndNothingBelowZero) {
  struct Case {
    const char* text;
    long long number;  // LeadingNumber's
    long long nonNegative;
  };
  for (const auto [text, number, nonNegative] :
       {Case{"21", 21, 21}, Case{"  21abc", 21, 21}, Case{"\t7  ", 7, 7}, Case{"+2", 2, 2},
        Case{"1.9", 1, 1}, Case{"abc21", 0, 0}, Case{"", 0, 0}, Case{"   ", 0, 0}, Case{"-", 0, 0},
        Case{"-5", -5, 0}, Case{"99999999999999999999999", LLONG_MAX, LLONG_MAX},
        Case{"-99999999999999999999999", LLONG_MIN, 0}}) {
    EXPECT_EQ(number, LeadingNumber(text)) << text;
    EXPECT_EQ(nonNegative, NonNegativeNumber(text)) << text;
  }
}

}  // namespace
}  // namespace tavex
