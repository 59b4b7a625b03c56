#include <gtest/gtest.h>

#include "framework/VersionInfo.h"

namespace tavex {
namespace {

TEST(VersionInfoTest, CarriesTheBuildVersionAndItsLegalTexts) {
  const VersionInfo version = CurrentVersion();
  EXPECT_EQ(16, version.Major);
  EXPECT_EQ(0, version.Minor);
  EXPECT_EQ(0, version.Revision);
  EXPECT_NE(std::string::npos, version.LegalCopyright.find("Copyright"));
  EXPECT_FALSE(version.LegalTrademarks.empty());
  EXPECT_FALSE(version.CompanyName.empty());
}

}  // namespace
}  // namespace tavex
