#include <gtest/gtest.h>

#include "framework/UserRights.h"
#include "support/HostDatabase.h"

namespace tavex {
namespace {

class UserRightsTest : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    Db()->Execute("CREATE TABLE pv_UserGroup (UserGroupID TEXT, UserGroupName TEXT)");
    Db()->Execute(
        "CREATE TABLE pv_User (UserID TEXT, UserName TEXT, UserGroupID TEXT,"
        " PasswordHash TEXT, Disabled BOOLEAN, Remark TEXT)");
    Db()->Execute("CREATE TABLE pv_Privilege (UserGroupID TEXT, PrivilegeID INTEGER)");
    Db()->Execute("INSERT INTO pv_UserGroup VALUES ('01', 'managers')");
    Db()->Execute("INSERT INTO pv_UserGroup VALUES ('02', 'cashiers')");
    for (int privilege : {1, 98}) {
      Db()->Execute("INSERT INTO pv_Privilege VALUES ('01', ?)", {std::int64_t{privilege}});
    }
    Db()->Execute("INSERT INTO pv_Privilege VALUES ('02', 1)");
    AddUser("boss", "01", "s3cret Pass", false);
    AddUser("till", "02", "till-pass", false);
    AddUser("gone", "01", "gone-pass", true);
    mRights.Open(Db(), "", 0, 0);
  }

  void AddUser(const std::string& id, const std::string& group, const std::string& password,
               bool disabled) {
    Db()->Execute(
        "INSERT INTO pv_User (UserID, UserName, UserGroupID, PasswordHash, Disabled)"
        " VALUES (?, ?, ?, ?, " +
            std::string(disabled ? "1=1" : "1=0") + ")",
        {id, id + " name", group, UserRights::HashPassword(password)});
  }

  UserRights mRights;
};

TEST_P(UserRightsTest, OnlyTheRightPasswordOfAnActiveAccountLogsIn) {
  EXPECT_EQ(0, mRights.CheckLogin("boss", "s3cret Pass"));
  EXPECT_EQ(0, mRights.CheckLogin("till", "till-pass"));
  EXPECT_NE(0, mRights.CheckLogin("boss", "s3cret pass"));
  EXPECT_NE(0, mRights.CheckLogin("boss", "s3cret Pass "));
  EXPECT_NE(0, mRights.CheckLogin("boss", ""));
  EXPECT_NE(0, mRights.CheckLogin("till", "s3cret Pass"));
  EXPECT_NE(0, mRights.CheckLogin("gone", "gone-pass"));
}

TEST_P(UserRightsTest, UnknownAccountLooksLikeAWrongPassword) {
  const int wrongPassword = mRights.CheckLogin("boss", "guess");
  EXPECT_NE(0, wrongPassword);
  EXPECT_EQ(wrongPassword, mRights.CheckLogin("nobody", "guess"));
  EXPECT_EQ(wrongPassword, mRights.CheckLogin("", ""));
  EXPECT_EQ(wrongPassword, mRights.CheckLogin("BOSS", "s3cret Pass"));
  EXPECT_EQ(wrongPassword, mRights.CheckLogin("boss' OR '1'='1", "x"));
}

TEST_P(UserRightsTest, PasswordsAreStoredOnlyAsArgon2idHashes) {
  auto rows = Db()->Query("SELECT PasswordHash FROM pv_User WHERE UserID='boss'");
  ASSERT_TRUE(rows->Next());
  const auto hash = std::get<std::string>(rows->Get(0));
  EXPECT_EQ(0u, hash.rfind("$argon2id$", 0)) << hash;
  EXPECT_EQ(std::string::npos, hash.find("s3cret"));
  EXPECT_NE(UserRights::HashPassword("same"), UserRights::HashPassword("same"));
}

TEST_P(UserRightsTest, PrivilegesComeFromTheUsersGroup) {
  EXPECT_TRUE(mRights.HasPrivilege("boss", 98));
  EXPECT_TRUE(mRights.HasPrivilege("boss", 1));
  EXPECT_TRUE(mRights.HasPrivilege("till", 1));
  EXPECT_FALSE(mRights.HasPrivilege("till", 98));
  EXPECT_FALSE(mRights.HasPrivilege("boss", 97));
  EXPECT_FALSE(mRights.HasPrivilege("nobody", 1));
}

TEST_P(UserRightsTest, WithoutUsableTablesNobodyLogsIn) {
  UserRights unopened;
  EXPECT_NE(0, unopened.CheckLogin("boss", "s3cret Pass"));
  EXPECT_FALSE(unopened.HasPrivilege("boss", 98));

  Db()->Execute("DROP TABLE pv_Privilege");
  EXPECT_FALSE(mRights.HasPrivilege("boss", 98));
  Db()->Execute("DROP TABLE pv_User");
  EXPECT_NE(0, mRights.CheckLogin("boss", "s3cret Pass"));
}

INSTANTIATE_HOST_DATABASE_TEST(UserRightsTest);

}  // namespace
}  // namespace tavex
