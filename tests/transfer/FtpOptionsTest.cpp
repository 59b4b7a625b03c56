#include <gtest/gtest.h>

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
