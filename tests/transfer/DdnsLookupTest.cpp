#include <gtest/gtest.h>

#include "support/HttpServer.h"
#include "support/PluginHome.h"
#include "transfer/DdnsLookup.h"

namespace tavex {
namespace {

TEST(TextBetween, TakesWhatLiesBetweenTheFirstMarkers) {
  struct Case {
    const char* name;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"text around the markers", "<html>you are [IP]203.0.113.7[/IP] ok</html>", "203.0.113.7"},
      {"no start marker", "<html>203.0.113.7[/IP]</html>", ""},
      {"no end marker", "x[IP]203.0.113.7 and more", "203.0.113.7 and more"},
      {"blanks kept", "[IP] 203.0.113.7 [/IP]", " 203.0.113.7 "},
      {"first pair counts", "[IP]1.1.1.1[/IP][IP]2.2.2.2[/IP]", "1.1.1.1"},
      {"end before start ignored", "[/IP]x[IP]1.2.3.4[/IP]", "1.2.3.4"},
      {"empty between", "[IP][/IP]", ""},
      {"empty body", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextBetween(c.text, "[IP]", "[/IP]"), c.expected) << c.name;
  }
}

TEST(BytesToText, KeepsAsciiAndDecodesDoubleByteCharacters) {
  EXPECT_EQ(BytesToText("[IP]10.0.0.1[/IP]\r\n"), "[IP]10.0.0.1[/IP]\r\n");
  EXPECT_EQ(BytesToText("ok \xD6\xD0\xCE\xC4!"), "ok 中文!");
  EXPECT_EQ(BytesToText("a\xD6"), "a");
  EXPECT_EQ(BytesToText("\xFF\xFFz"), "\xEF\xBF\xBDz");
  EXPECT_EQ(BytesToText(std::string("a\0b", 3)), std::string("a\0b", 3));
}

class DdnsService : public ::testing::Test {
 protected:
  DdnsService() { UseBaseUrl(mServer.BaseUrl()); }

  void UseBaseUrl(const std::string& baseUrl, const std::string& extra = "") {
    mHome.WriteOptions("[FTP]\nPort=21\n[DDNS]\nBaseUrl=" + baseUrl + "\n" + extra);
  }

  test::PluginHome mHome;
  test::HttpServer mServer;
};

TEST_F(DdnsService, MyAddressComesFromTheGetIpPageWhateverTheTrailingSlash) {
  UseBaseUrl(mServer.BaseUrl() + "/");
  mServer.Answer("/DDNS/getIP.asp", 200, "<html><body>[IP]203.0.113.7[/IP]</body></html>");
  EXPECT_EQ(GetMyIP(), "203.0.113.7");
  EXPECT_EQ(mServer.Requests(), std::vector<std::string>{"GET /DDNS/getIP.asp HTTP/1.1"});
}

TEST_F(DdnsService, AccountAndPasswordAreEncodedSoTheyCannotChangeTheQuery) {
  mServer.Answer("/DDNS/getServerIP.asp", 200, "[IP]198.51.100.2[/IP]");
  EXPECT_EQ(GetServerIP("shop&ID=x 1", "p w#=%"), "198.51.100.2");
  EXPECT_EQ(mServer.Requests(),
            std::vector<std::string>{
                "GET /DDNS/getServerIP.asp?ID=shop%26ID%3Dx%201&PSW=p%20w%23%3D%25 HTTP/1.1"});
}

TEST_F(DdnsService, HttpErrorIsEmptyEvenWithMarkersInTheBody) {
  mServer.Answer("/DDNS/getIP.asp", 500, "[IP]6.6.6.6[/IP]");
  EXPECT_EQ(GetMyIP(), "");
  EXPECT_EQ(GetServerIP("shop", "pw"), "");  // no answer set: 404
}

TEST_F(DdnsService, WithoutAWebBaseAddressNothingIsAsked) {
  mServer.Answer("/DDNS/getIP.asp", 200, "[IP]1.2.3.4[/IP]");
  test::WriteFile(mHome / "DDNS/getIP.asp", "[IP]9.9.9.9[/IP]");
  for (const std::string& base : {std::string(), "file://" + mHome.Path()}) {
    UseBaseUrl(base);
    EXPECT_EQ(GetMyIP(), "") << base;
  }
  std::remove(mHome.OptionsFile().c_str());
  EXPECT_EQ(GetServerIP("shop", "pw"), "");
  EXPECT_TRUE(mServer.Requests().empty());
}

TEST_F(DdnsService, ServiceThatNeverAnswersGivesEmptyWithinTheTimeOut) {
  UseBaseUrl(mServer.BaseUrl(), "TimeOut=1\n");
  mServer.Hold();
  EXPECT_EQ(GetMyIP(), "");
  EXPECT_EQ(mServer.Requests().size(), 1u);
}

}  // namespace
}  // namespace tavex
