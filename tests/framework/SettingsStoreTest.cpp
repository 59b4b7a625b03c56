#include <gtest/gtest.h>

#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "support/HostDatabase.h"
#include "support/Rows.h"

namespace tavex {
namespace {

class SettingsStoreTest : public test::HostDatabaseTest {
 protected:
  bool SettingsTableExists() { return test::HasTable(*Db(), "sys_ExchangeSetting"); }
};

TEST_P(SettingsStoreTest, UnsetIdsReadEmptyAndReadingCreatesNoTable) {
  SettingsStore store(Db());
  EXPECT_EQ("", store.GetSetting(kSettingBranchID, 0));
  EXPECT_TRUE(store.AllSettings().empty());
  EXPECT_FALSE(SettingsTableExists());

  store.SetSetting(kSettingFtpServer, "ftp.example.net");
  EXPECT_TRUE(SettingsTableExists());
  EXPECT_EQ("", store.GetSetting(kSettingBranchID, 0));
}

TEST_P(SettingsStoreTest, WritesReplaceEarlierValuesKeepOtherIdsAndStoreValuesVerbatim) {
  SettingsStore store(Db());
  store.SetSetting(kSettingBranchID, "B01");
  store.SetSetting(kSettingBranchName, "分店 B01");
  store.SetSetting(kSettingBranchID, "B02");
  store.SetSetting(kSettingUseDdns, "");
  const std::string awkward = "O'Brien; DROP TABLE x -- \"quoted\" ?";
  store.SetSetting(kSettingFtpPassword, awkward);
  store.SetSetting(-7, "negative ids are ids too");
  store.SetSetting(2147483647, "largest id");

  EXPECT_EQ("B02", store.GetSetting(kSettingBranchID));
  EXPECT_EQ("分店 B01", store.GetSetting(kSettingBranchName));
  using Entry = std::pair<std::int32_t, std::string>;
  EXPECT_EQ((std::vector<Entry>{{-7, "negative ids are ids too"},
                                {801, "B02"},
                                {802, "分店 B01"},
                                {1003, awkward},
                                {2004, ""},
                                {2147483647, "largest id"}}),
            store.AllSettings());
}

TEST_P(SettingsStoreTest, SettingsOutliveTheConnection) {
  SettingsStore(Db()).SetSetting(kSettingFtpUser, "branch01");
  SettingsStore reopened(Reopen());
  EXPECT_EQ("branch01", reopened.GetSetting(kSettingFtpUser));
}

TEST_P(SettingsStoreTest, WriteInsideARolledBackTransactionIsUndone) {
  SettingsStore store(Db());
  store.SetSetting(kSettingFtpUser, "before");
  Db()->BeginTrans();
  store.SetSetting(kSettingFtpUser, "during");
  EXPECT_EQ("during", store.GetSetting(kSettingFtpUser));
  Db()->RollbackTrans();
  EXPECT_EQ("before", store.GetSetting(kSettingFtpUser));
}

TEST_P(SettingsStoreTest, WithoutAnOpenConnectionReadsAreEmptyAndWritesFail) {
  SettingsStore(Db()).SetSetting(kSettingBranchID, "B01");
  Db()->Close();
  SettingsStore closed(Db());
  EXPECT_EQ("", closed.GetSetting(kSettingBranchID));
  EXPECT_THROW(closed.SetSetting(kSettingBranchID, "B02"), db::DbError);
  SettingsStore none(nullptr);
  EXPECT_EQ("", none.GetSetting(kSettingBranchID));
  EXPECT_THROW(none.SetSetting(kSettingBranchID, "B02"), db::DbError);
}

INSTANTIATE_HOST_DATABASE_TEST(SettingsStoreTest);

}  // namespace
}  // namespace tavex
