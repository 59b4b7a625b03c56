#include <gtest/gtest.h>

#include <filesystem>

#include "cli/Commands.h"
#include "support/CommandFixture.h"
#include "trust/SiteKeys.h"

namespace tavex::cli {
namespace {

using test::Invocation;
using trust::KeyRegistry;
using trust::PublicKey;

// A public key: 32 bytes of 1.
constexpr const char* kSomeKey = "ed25519:AQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQE=";

// The site is a branch (its plug-in folder) and head office (its database).
class KeysCommandTest : public test::CommandTest {
 protected:
  Invocation Keys(std::vector<std::string> args) const {
    args.insert(args.begin(), "keys");
    return Run(args);
  }
  std::string KeyFile() const { return mHome / "Octopus/site.key"; }
  // When `site`'s entry last changed.
  std::string Since(const std::string& site) {
    const auto entry = KeyRegistry(*Db()).Find(site);
    return entry ? entry->since : "(no entry)";
  }
};

TEST_P(KeysCommandTest, ABranchMakesItsKeyAndHeadOfficeTrustsIt) {
  Invocation init = Keys({"init"});
  ASSERT_EQ(kExitOk, init.code) << init.err.str();
  const auto key = trust::SiteKey::Load(mHome.Path());
  ASSERT_TRUE(key.has_value());
  const std::string line = key->Public().Text();
  EXPECT_EQ(line + "\n", init.out.str());
  EXPECT_EQ(line + "\n", Keys({"show"}).out.str());

  // What show prints is what head office is given, pasted with its line end.
  Invocation trust = Keys({"trust", "B01", line + "\n"});
  ASSERT_EQ(kExitOk, trust.code) << trust.err.str();
  EXPECT_EQ("B01  trusted   " + line + "  " + Since("B01") + "\n", trust.out.str());
  ASSERT_EQ(kExitOk, Keys({"allow-unsigned", "B02"}).code);
  ASSERT_EQ(kExitOk, Keys({"trust", "HQ", line}).code);
  Invocation revoke = Keys({"revoke", "hq"});
  ASSERT_EQ(kExitOk, revoke.code) << revoke.err.str();
  EXPECT_EQ("HQ  revoked   " + line + "  " + Since("HQ") + "\n", revoke.out.str());

  Invocation list = Keys({"list"});
  ASSERT_EQ(kExitOk, list.code) << list.err.str();
  const std::string none = "-" + std::string(line.size() - 1, ' ');
  EXPECT_EQ("B01  trusted   " + line + "  " + Since("B01") + "\n" +      //
                "B02  unsigned  " + none + "  " + Since("B02") + "\n" +  //
                "HQ   revoked   " + line + "  " + Since("HQ") + "\n",
            list.out.str());
  EXPECT_EQ(*PublicKey::Parse(line), KeyRegistry(*Db()).Find("b01")->key);
}

// The key file's own rules (never replaced, damage named) are the site
// key's; the command says why it failed and prints nothing.
TEST_P(KeysCommandTest, WhatCannotBeDoneFailsWithItsReason) {
  ASSERT_EQ(kExitOk, Keys({"init"}).code);
  Invocation again = Keys({"init"});
  EXPECT_EQ(kExitFailed, again.code);
  EXPECT_NE(std::string::npos, again.err.str().find(KeyFile())) << again.err.str();
  EXPECT_EQ("", again.out.str());
  std::filesystem::remove(KeyFile());
  Invocation none = Keys({"show"});
  EXPECT_EQ(kExitFailed, none.code);
  EXPECT_NE(std::string::npos, none.err.str().find("keys init")) << none.err.str();
  EXPECT_EQ("", none.out.str());

  const std::string missing = "sqlite:" + (Folder() / "missing.db");
  EXPECT_EQ(kExitFailed, Invocation({"keys", "trust", "B01", kSomeKey, "--db", missing}).code);
  EXPECT_FALSE(std::filesystem::exists(Folder() / "missing.db"));
  Invocation unknown = Keys({"revoke", "B09"});
  EXPECT_EQ(kExitFailed, unknown.code);
  EXPECT_NE(std::string::npos, unknown.err.str().find("B09")) << unknown.err.str();
  Invocation empty = Keys({"list"});
  EXPECT_EQ(kExitOk, empty.code) << empty.err.str();
  EXPECT_EQ("", empty.out.str());
}

INSTANTIATE_HOST_DATABASE_TEST(KeysCommandTest);

}  // namespace
}  // namespace tavex::cli
