#include <gtest/gtest.h>

#include "download/PendingPackages.h"
#include "support/TempDir.h"

namespace tavex {
namespace {

using Names = std::vector<std::string>;

TEST(PendingPackages, RecordsAreKeptInNameOrderUntilRemoved) {
  test::TempDir dir;
  const PendingPackages pending(dir / "Temp/Pending/");
  EXPECT_TRUE(pending.Names().empty());
  pending.Add("B02-2.pkg", "/backup/B02-2.pkg");
  pending.Add("B01-1.PKG", "/backup/B01-1.PKG");
  test::WriteFile(dir / "Temp/Pending/B03-3.pkg.tmp-abc123", "");
  EXPECT_EQ((Names{"B01-1.PKG", "B02-2.pkg"}), pending.Names());
  EXPECT_EQ("/backup/B02-2.pkg", pending.BackupCopy("B02-2.pkg"));
  EXPECT_EQ("", pending.BackupCopy("B09-9.pkg"));

  pending.Add("B02-2.pkg", "/elsewhere/B02-2.pkg");
  EXPECT_EQ("/elsewhere/B02-2.pkg", pending.BackupCopy("B02-2.pkg"));
  pending.Remove("B01-1.PKG");
  EXPECT_EQ(Names{"B02-2.pkg"}, pending.Names());
}

}  // namespace
}  // namespace tavex
