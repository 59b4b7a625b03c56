#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/HostDatabase.h"
#include "support/Sorted.h"
#include "trust/SiteRoster.h"

namespace tavex::trust {
namespace {

class SiteRosterTest : public test::HostDatabaseTest {};

TEST_P(SiteRosterTest, AddsEachNewSiteOnceWhateverOtherRunsAddedBefore) {
  SiteRoster roster(*Db());
  roster.Add({"B01"});
  const auto other = Reopen();
  SiteRoster(*other).Add({"B03"});
  roster.Add({"B02", "", "B01", "B03", "B02", "B04"});
  EXPECT_EQ((std::vector<std::string>{"B01", "B02", "B03", "B04"}), test::Sorted(roster.Sites()));
  EXPECT_FALSE(Db()->InTransaction());
}

TEST_P(SiteRosterTest, AddsNothingInsideTheCallersTransactionUntilItCommits) {
  SiteRoster(*Db()).Add({"B01"});
  Db()->BeginTrans();
  SiteRoster(*Db()).Add({"B02"});
  Db()->RollbackTrans();
  EXPECT_EQ(std::vector<std::string>{"B01"}, SiteRoster(*Db()).Sites());
}

INSTANTIATE_HOST_DATABASE_TEST(SiteRosterTest);

}  // namespace
}  // namespace tavex::trust
