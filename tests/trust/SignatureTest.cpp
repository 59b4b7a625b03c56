#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "engine/FSComprFile.h"
#include "support/HostDatabase.h"
#include "support/PackageFiles.h"
#include "support/PackageForge.h"
#include "support/PluginHome.h"
#include "support/Rows.h"
#include "trust/PackageSignature.h"
#include "trust/SignatureCheck.h"
#include "trust/SiteKeys.h"

namespace tavex::trust {
namespace {

namespace fs = std::filesystem;

// Three sites with their keys, and packages as B01 would send them.
class Signatures : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    test::HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    for (const char* site : {"HQ", "B01", "B02"}) {
      fs::create_directories(Folder() / site);
      mKeys.emplace(site, SiteKey::Create(Folder() / site));
    }
  }

  const SiteKey& Key(const std::string& site) const { return mKeys.at(site); }

  // A package file of B01's bills at `name` in the test folder.
  std::string Package(const std::string& name = "B01-240305140709.pkg") {
    const std::string path = Folder() / name;
    test::WriteFile(path, mForge.Build(test::BillSteps("B01", 1, 2), "B01"));
    return path;
  }
  std::string Signed(const std::string& signer, const std::string& sender, std::uint64_t sequence,
                     const std::string& name = "B01-240305140709.pkg") {
    const std::string path = Package(name);
    SignPackageFile(path, Key(signer), {signer, sender, PackageKind::Bills, sequence, {}});
    return path;
  }

  std::map<std::string, SiteKey> mKeys;
  test::PackageForge mForge{Folder().Path()};
};

TEST_P(Signatures, ASignedPackageReadsBackAndStillUnpacks) {
  const std::string path = Signed("B01", "B01", 7);
  const std::optional<SignedPackage> read = ReadSignature(path);
  ASSERT_TRUE(read);
  EXPECT_EQ("B01", read->signer);
  EXPECT_EQ("B01", read->sender);
  EXPECT_EQ(PackageKind::Bills, read->kind);
  EXPECT_EQ(7u, read->sequence);
  EXPECT_TRUE(VerifySignature(path, *read, Key("B01").Public()));
  EXPECT_FALSE(VerifySignature(path, *read, Key("B02").Public()));
  // The package compression and the zstd command both pass over the frame.
  EXPECT_EQ(0, test::Unpack(path, path + ".mdb"));
  ASSERT_EQ(0, std::system(("zstd -q -d -f '" + path + "' -o '" + path + ".zstd.mdb'").c_str()));
  EXPECT_EQ(test::ReadFile(path + ".mdb"), test::ReadFile(path + ".zstd.mdb"));
  // Unsigned, it has no frame.
  EXPECT_FALSE(ReadSignature(Package()));
}

TEST_P(Signatures, AnyChangedByteOrFieldBreaksTheSignature) {
  const std::string path = Signed("B01", "B01", 7);
  const SignedPackage read = *ReadSignature(path);
  const std::string bytes = test::ReadFile(path);
  // A byte of the data, from the first after the frame to the last.
  for (const std::size_t at : {bytes.find("(\xB5/\xFD"), bytes.size() / 2, bytes.size() - 1}) {
    std::string changed = bytes;
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    test::WriteFile(path, changed);
    EXPECT_FALSE(VerifySignature(path, read, Key("B01").Public())) << at;
  }
  test::WriteFile(path, bytes);
  for (const std::function<void(SignedPackage&)>& change :
       std::initializer_list<std::function<void(SignedPackage&)>>{
           [](SignedPackage& p) { p.sender = "B02"; }, [](SignedPackage& p) { p.signer = "HQ"; },
           [](SignedPackage& p) { p.kind = PackageKind::Members; },
           [](SignedPackage& p) { p.sequence = 8; }}) {
    SignedPackage other = read;
    change(other);
    EXPECT_FALSE(VerifySignature(path, other, Key("B01").Public()));
  }
}

TEST_P(Signatures, AFrameThisSystemDoesNotWriteIsRefused) {
  const std::string path = Signed("B01", "B01", 7);
  const std::string bytes = test::ReadFile(path);
  const std::size_t end = bytes.find("(\xB5/\xFD");
  for (const auto& [what, from, to] :
       std::initializer_list<std::tuple<const char*, const char*, const char*>>{
           {"version", "tavex-signed-package 1", "tavex-signed-package 2"},
           {"kind", "kind bills", "kind backup"},
           {"sequence", "sequence 7", "sequence x"}}) {
    std::string changed = bytes;
    const std::size_t at = changed.find(from);
    ASSERT_LT(at, end) << what;
    changed.replace(at, std::string(from).size(), to);
    test::WriteFile(path, changed);
    EXPECT_THROW(ReadSignature(path), SignatureError) << what;
  }
}

TEST_P(Signatures, ANumberTakenOnceIsAReplayUnlessTheRunThatTookItDied) {
  KeyRegistry(*Db()).Trust("B01", Key("B01").Public());
  SignatureCheck download(*Db(), "download", false);
  SignatureCheck relay(*Db(), "relay", false);
  const std::string first = Signed("B01", "B01", 5);
  const SignatureVerdict taken = download.Check(first, "B01", PackageKind::Bills, false);
  ASSERT_TRUE(taken.accepted);
  download.RecordNow(taken, "B01");
  const SignatureVerdict replayed = download.Check(first, "B01", PackageKind::Bills, false);
  EXPECT_FALSE(replayed.accepted);
  EXPECT_EQ("此数据包已经收过（重复发送）：B01 5", replayed.reason);
  const SignatureVerdict resumed = download.Check(first, "B01", PackageKind::Bills, true);
  EXPECT_TRUE(resumed.accepted && resumed.alreadyTaken);
  // The relay keeps its own record, on the same database.
  EXPECT_TRUE(relay.Check(first, "B01", PackageKind::Bills, false).accepted);
  // Out of order is no replay; a number never seen between the lowest and
  // the highest is a gap (what came before the first may have come unsigned).
  download.RecordNow(download.Check(Signed("B01", "B01", 8), "B01", PackageKind::Bills, false),
                     "B01");
  download.RecordNow(download.Check(Signed("B01", "B01", 3), "B01", PackageKind::Bills, false),
                     "B01");
  const std::vector<SequenceGap> gaps = SequenceGaps(*Db(), "download");
  ASSERT_EQ(1u, gaps.size());
  EXPECT_EQ("B01", gaps[0].site);
  EXPECT_EQ((std::vector<std::uint64_t>{4, 6, 7}), gaps[0].missing);
  // A new key starts a new sequence.
  const SiteKey renewed = [&] {
    fs::remove(Folder() / "B01/Octopus/site.key");
    return SiteKey::Create(Folder() / "B01");
  }();
  KeyRegistry(*Db()).Trust("B01", renewed.Public());
  const std::string again = Package();
  SignPackageFile(again, renewed, {"B01", "B01", PackageKind::Bills, 5, {}});
  EXPECT_TRUE(download.Check(again, "B01", PackageKind::Bills, false).accepted);
}

TEST_P(Signatures, ARevokedKeyAndUnsignedSitesAreHandledAsTheRegistrySays) {
  KeyRegistry registry(*Db());
  SignatureCheck check(*Db(), "download", false);
  // Nobody keyed yet: the chain works as before, every package marked unsigned.
  SignatureVerdict verdict = check.Check(Package(), "B01", PackageKind::Bills, false);
  EXPECT_TRUE(verdict.accepted && verdict.unsignedSender);
  registry.Trust("B01", Key("B01").Public());
  EXPECT_FALSE(
      check.Check(Package("B02-240305140709.pkg"), "B02", PackageKind::Bills, false).accepted);
  registry.AllowUnsigned("B02");
  verdict = check.Check(Package("B02-240305140709.pkg"), "B02", PackageKind::Bills, false);
  EXPECT_TRUE(verdict.accepted && verdict.unsignedSender);
  // B02 made its key before head office trusts it: taken as unsigned still.
  const std::string early = Package("B02-240305140710.pkg");
  SignPackageFile(early, Key("B02"), {"B02", "B02", PackageKind::Bills, 1, {}});
  verdict = check.Check(early, "B02", PackageKind::Bills, false);
  EXPECT_TRUE(verdict.accepted && verdict.listedUnsigned);
  check.RecordNow(verdict, "B02");
  EXPECT_EQ((std::vector<std::string>{"B02"}),
            UnsignedSenders(*Db(), "download", "2000-01-01 00:00:00"));
  registry.Revoke("B01");
  verdict = check.Check(Signed("B01", "B01", 1), "B01", PackageKind::Bills, false);
  EXPECT_FALSE(verdict.accepted);
  EXPECT_EQ("此站点的密钥已被吊销：B01", verdict.reason);
  // Signatures required: nobody sends unsigned any more.
  SignatureCheck strict(*Db(), "download", true);
  EXPECT_FALSE(
      strict.Check(Package("B02-240305140709.pkg"), "B02", PackageKind::Bills, false).accepted);
}

// At a branch, which knows head office's key only: what the relay forwards
// for another site it signs again, and that is taken.
TEST_P(Signatures, ABranchTakesWhatHeadOfficesRelaySignedForAnotherSite) {
  KeyRegistry registry(*Db());
  registry.Trust("HQ", Key("HQ").Public(), KeyState::Relay);
  SignatureCheck check(*Db(), "download", true);
  const std::string path = Package("B02-240305140709-M.pkg");
  SignPackageFile(path, Key("HQ"), {"HQ", "B02", PackageKind::Members, 9, {}});
  const SignatureVerdict verdict = check.Check(path, "B02", PackageKind::Members, false);
  EXPECT_TRUE(verdict.accepted) << verdict.reason;
  // B02's own signature means nothing to a branch that does not know B02.
  SignPackageFile(path, Key("B02"), {"B02", "B02", PackageKind::Members, 9, {}});
  EXPECT_FALSE(check.Check(path, "B02", PackageKind::Members, false).accepted);
}

INSTANTIATE_HOST_DATABASE_TEST(Signatures);

}  // namespace
}  // namespace tavex::trust
