#include <gtest/gtest.h>

#include "TransferHome.h"
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

  test::TransferHome mHome;
};

TEST_F(FtpOptionsFile, MissingFileGivesEveryDefault) {
  std::optional<FtpOptions> options = ReadFtpOptions(TransferOptionsFile());
  ASSERT_TRUE(options.has_value());
  EXPECT_EQ(options->port, 21);
  EXPECT_EQ(options->timeOutMs, 30000);
  EXPECT_TRUE(options->passive);
  EXPECT_EQ(options->DataPortRange(), "0");
  EXPECT_EQ(options->proxyType, 0);
  EXPECT_FALSE(options->tls);
}

TEST_F(FtpOptionsFile, FileInThePluginFolderOctopusSubfolder) {
  EXPECT_EQ(TransferOptionsFile(), mHome.Path() + "/Octopus/MAIN.INI");
}

TEST_F(FtpOptionsFile, SectionWithoutTheKeysGivesDefaults) {
  FtpOptions options = Read("[FTP]\nProxyHost=proxy.local\n[Other]\nPort=99\nTimeOut=1\n");
  EXPECT_EQ(options.port, 21);
  EXPECT_EQ(options.timeOutMs, 30000);
  EXPECT_TRUE(options.passive);
  EXPECT_EQ(options.proxyHost, "proxy.local");
}

TEST_F(FtpOptionsFile, PortTakesItsLeadingNumber) {
  EXPECT_EQ(Read("[FTP]\nPort=abc\n").port, 21);
  EXPECT_EQ(Read("[FTP]\nPort=0\n").port, 21);
  EXPECT_EQ(Read("[FTP]\nPort=2121\n").port, 2121);
  EXPECT_EQ(Read("[FTP]\nPort= 2121x\n").port, 2121);
}

TEST_F(FtpOptionsFile, TimeOutIsSecondsTimesAThousandAndNeverZero) {
  EXPECT_EQ(Read("[FTP]\nTimeOut=5\n").timeOutMs, 5000);
  EXPECT_EQ(Read("[FTP]\nTimeOut=0\n").timeOutMs, 30000);
  EXPECT_EQ(Read("[FTP]\nTimeOut=abc\n").timeOutMs, 30000);
  EXPECT_EQ(Read("[FTP]\nTimeOut=\n").timeOutMs, 30000);
}

TEST_F(FtpOptionsFile, PassiveOnlyForPasvOne) {
  EXPECT_FALSE(Read("[FTP]\nPASV=0\n").passive);
  EXPECT_FALSE(Read("[FTP]\nPASV=yes\n").passive);
  EXPECT_TRUE(Read("[FTP]\nPASV=1\n").passive);
}

TEST_F(FtpOptionsFile, DataPortRangeOnlyWithManualPortOne) {
  EXPECT_EQ(Read("[FTP]\nManualPort=1\nMinDataPort=5000\nMaxDataPort=5010\n").DataPortRange(),
            "5000:5010");
  EXPECT_EQ(Read("[FTP]\nManualPort=0\nMinDataPort=5000\nMaxDataPort=5010\n").DataPortRange(), "0");
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

TEST(LeadingDigits, ReadsTheNumberAtTheStart) {
  EXPECT_EQ(LeadingDigits("21"), 21);
  EXPECT_EQ(LeadingDigits("  21abc"), 21);
  EXPECT_EQ(LeadingDigits("abc21"), 0);
  EXPECT_EQ(LeadingDigits(""), 0);
  EXPECT_EQ(LeadingDigits("   "), 0);
  EXPECT_EQ(LeadingDigits("-5"), 0);
  EXPECT_EQ(LeadingDigits("99999999999999999999999"), LONG_MAX);
}

}  // namespace
}  // namespace tavex
