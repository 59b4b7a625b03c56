#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <regex>
#include <set>

#include "storage/LocalTime.h"
#include "support/HostDatabase.h"
#include "support/TempDir.h"
#include "trust/SiteKeys.h"

namespace tavex::trust {
namespace {

namespace fs = std::filesystem;

// The text of a key whose 32 bytes are all `fill`.
PublicKey KeyOf(unsigned char fill) {
  PublicKey key;
  key.bytes.fill(fill);
  return key;
}

// ---------------------------------------------------------------------------
// The text form of a public key

TEST(PublicKeyText, IsThePrefixAndTheStandardBase64OfTheBytes) {
  PublicKey key;
  std::iota(key.bytes.begin(), key.bytes.end(), static_cast<unsigned char>(0xE0));
  // 0xE0..0xFF: the bytes that base64 writes with '+' and '/'.
  EXPECT_EQ("ed25519:4OHi4+Tl5ufo6err7O3u7/Dx8vP09fb3+Pn6+/z9/v8=", key.Text());
  EXPECT_EQ(key, PublicKey::Parse(key.Text()));
  EXPECT_EQ("ed25519:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=", KeyOf(0).Text());
}

TEST(PublicKeyText, ParseTakesExactlyOneKeyTextWithBlanksAround) {
  const std::string good = "ed25519:4OHi4+Tl5ufo6err7O3u7/Dx8vP09fb3+Pn6+/z9/v8=";
  const std::string body = good.substr(8);
  const struct {
    const char* name;
    std::string text;
    bool accepted;
  } cases[] = {
      {"the key text", good, true},
      {"blanks and a line end around it", " \t" + good + " \r\n", true},
      {"nothing", "", false},
      {"only blanks", "  \t", false},
      {"no prefix", body, false},
      {"the prefix alone", "ed25519:", false},
      {"the prefix in capitals", "ED25519:" + body, false},
      {"another algorithm", "ed448:" + body, false},
      {"a blank after the prefix", "ed25519: " + body, false},
      {"a blank inside the base64", "ed25519:4OHi4+Tl5ufo6err 7O3u7/Dx8vP09fb3+Pn6+/z9/v8=", false},
      {"without its padding", good.substr(0, good.size() - 1), false},
      {"the URL-safe alphabet", "ed25519:4OHi4-Tl5ufo6err7O3u7_Dx8vP09fb3-Pn6-_z9_v8=", false},
      {"31 bytes", "ed25519:" + std::string(40, 'A') + "AA==", false},
      {"33 bytes", "ed25519:" + std::string(44, 'A'), false},
      {"64 bytes (a secret key)", "ed25519:" + std::string(84, 'A') + "AA==", false},
      {"bits set past the last byte", good.substr(0, good.size() - 2) + "9=", false},
      {"something after it", good + " x", false},
      {"two keys", good + " " + good, false},
      {"a character outside base64", good.substr(0, 20) + "*" + good.substr(21), false},
  };
  for (const auto& c : cases) {
    const auto parsed = PublicKey::Parse(c.text);
    EXPECT_EQ(c.accepted, parsed.has_value()) << c.name << ": '" << c.text << "'";
    if (parsed && c.accepted) {
      EXPECT_EQ(good, parsed->Text()) << c.name;
    }
  }
}

// ---------------------------------------------------------------------------
// The site's own key

// Runs `body` in `runs` child processes let go at the same moment; each
// writes what it reports to the file descriptor it is given and returns its
// exit code. The exit codes (-1 for a child that did not exit) and all that
// was written.
struct RunsAtOnce {
  std::vector<int> codes;
  std::string written;
};
RunsAtOnce RunAtOnce(int runs, const std::function<int(int out)>& body) {
  int gate[2], results[2];
  if (::pipe(gate) != 0 || ::pipe(results) != 0) return {};
  std::vector<pid_t> children;
  for (int i = 0; i < runs; ++i) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(gate[1]);
      char go;
      (void)!::read(gate[0], &go, 1);  // returns when the parent closes the gate
      ::_exit(body(results[1]));
    }
    children.push_back(child);
  }
  ::close(gate[0]);
  ::close(gate[1]);
  ::close(results[1]);
  RunsAtOnce outcome;
  char buffer[256];
  for (ssize_t got; (got = ::read(results[0], buffer, sizeof buffer)) > 0;) {
    outcome.written.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(results[0]);
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    outcome.codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  }
  return outcome;
}

class SiteKeyTest : public testing::Test {
 protected:
  std::string Home() const { return mHome.Path(); }
  std::string KeyFile() const { return mHome / "Octopus/site.key"; }
  // What Load says of the folder's key file, or "" when it loads.
  std::string LoadFailure() const {
    try {
      SiteKey::Load(Home());
      return "";
    } catch (const std::runtime_error& failure) {
      return failure.what();
    }
  }

  test::TempDir mHome;
};

TEST_F(SiteKeyTest, ACreatedKeyLoadsAsTheSamePairAndSigns) {
  EXPECT_FALSE(SiteKey::Load(Home()).has_value()) << "no key before one is made";
  const SiteKey made = SiteKey::Create(Home());
  const std::optional<SiteKey> loaded = SiteKey::Load(Home());
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(made.Public(), loaded->Public());
  EXPECT_EQ(made.Secret(), loaded->Secret());

  // The file says what the operator needs: the public key on a line of its own.
  const std::string text = test::ReadFile(KeyFile());
  EXPECT_TRUE(std::regex_match(text, std::regex("ed25519-secret:[A-Za-z0-9+/]{86}==\n"
                                                "ed25519:[A-Za-z0-9+/]{43}=\n")))
      << text;
  EXPECT_NE(std::string::npos, text.find("\n" + made.Public().Text() + "\n"));

  const std::string message = "B01-260101120000.pkg";
  const auto* bytes = reinterpret_cast<const unsigned char*>(message.data());
  unsigned char signature[crypto_sign_BYTES];
  ASSERT_EQ(
      0, crypto_sign_detached(signature, nullptr, bytes, message.size(), loaded->Secret().data()));
  EXPECT_EQ(
      0, crypto_sign_verify_detached(signature, bytes, message.size(), made.Public().bytes.data()));
  signature[7] ^= 1;
  EXPECT_NE(
      0, crypto_sign_verify_detached(signature, bytes, message.size(), made.Public().bytes.data()));
}

TEST_F(SiteKeyTest, EachFolderGetsAPairOfItsOwn) {
  test::TempDir other;
  const SiteKey first = SiteKey::Create(Home());
  const SiteKey second = SiteKey::Create(other.Path());
  EXPECT_NE(first.Public(), second.Public());
}

TEST_F(SiteKeyTest, AnExistingKeyIsNeverReplaced) {
  SiteKey::Create(Home());
  const std::string before = test::ReadFile(KeyFile());
  try {
    SiteKey::Create(Home());
    ADD_FAILURE() << "a second key was made";
  } catch (const std::runtime_error& failure) {
    EXPECT_NE(std::string::npos, std::string(failure.what()).find(KeyFile())) << failure.what();
  }
  EXPECT_EQ(before, test::ReadFile(KeyFile()));
  EXPECT_EQ((std::vector<std::string>{"site.key"}), test::FolderNames(mHome / "Octopus"));
}

// Several runs making the key at once: one makes it, the others are refused,
// and the file is the one key the winner returned.
TEST_F(SiteKeyTest, OfRunsMakingTheKeyAtOnceExactlyOneSucceeds) {
  const RunsAtOnce runs = RunAtOnce(6, [&](int out) {
    try {
      const std::string text = SiteKey::Create(Home()).Public().Text() + "\n";
      return ::write(out, text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 2;
    } catch (const std::runtime_error&) {
      return 1;
    }
  });
  ASSERT_EQ(6u, runs.codes.size());
  for (const int code : runs.codes) ASSERT_TRUE(code == 0 || code == 1) << code;
  EXPECT_EQ(1, std::count(runs.codes.begin(), runs.codes.end(), 0));
  const auto loaded = SiteKey::Load(Home());
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->Public().Text() + "\n", runs.written);
  EXPECT_EQ((std::vector<std::string>{"site.key"}), test::FolderNames(mHome / "Octopus"));
}

// The owner reads and writes, the site's group reads, nobody else, whatever
// the umask; the folder is made when missing.
TEST_F(SiteKeyTest, TheKeyFileIsTheOwnersAndItsGroupsOnly) {
  for (const unsigned mask : {0U, 077U}) {
    test::TempDir home;
    const test::ScopedUmask umask(mask);
    SiteKey::Create(home.Path());
    EXPECT_EQ(0640U, test::PermissionsOf(home / "Octopus/site.key")) << "umask " << mask;
    EXPECT_EQ(0750U, test::PermissionsOf(home / "Octopus")) << "umask " << mask;
  }
}

TEST_F(SiteKeyTest, AFolderThatCannotHoldTheKeyIsRefusedAndNothingIsLeft) {
  test::WriteFile(mHome / "Octopus", "a file where the folder should be");
  EXPECT_THROW(SiteKey::Create(Home()), std::runtime_error);
  EXPECT_EQ((std::vector<std::string>{"Octopus"}), test::FolderNames(Home()));
  EXPECT_NE("", LoadFailure());
}

// A key file that is there but not a whole key fails the run that needs it:
// it must never be taken for "no key" (that would send unsigned).
TEST_F(SiteKeyTest, ADamagedKeyFileRaisesWithTheFileNamed) {
  const SiteKey made = SiteKey::Create(Home());
  const test::TempDir otherHome;
  const SiteKey other = SiteKey::Create(otherHome.Path());
  const std::string good = test::ReadFile(KeyFile());
  const std::string secretLine = good.substr(0, good.find('\n') + 1);
  const std::string publicLine = made.Public().Text() + "\n";
  std::string changedSeed = secretLine;
  changedSeed[std::string("ed25519-secret:").size()] =
      changedSeed[std::string("ed25519-secret:").size()] == 'A' ? 'B' : 'A';
  const struct {
    const char* name;
    std::string contents;
  } cases[] = {
      {"empty", ""},
      {"the public key only", publicLine},
      {"the secret key only", secretLine},
      {"cut in the middle of the secret key", good.substr(0, 40)},
      {"the lines swapped", publicLine + secretLine},
      {"a third line", good + publicLine},
      {"another site's public key", secretLine + other.Public().Text() + "\n"},
      {"the secret key's seed changed", changedSeed + publicLine},
      {"the secret key not base64", "ed25519-secret:" + std::string(86, '*') + "==\n" + publicLine},
      {"the secret key too short",
       "ed25519-secret:" + std::string(40, 'A') + "AA==\n" + publicLine},
      {"very long", good + std::string(100000, '\n')},
  };
  for (const auto& c : cases) {
    test::WriteFile(KeyFile(), c.contents);
    const std::string failure = LoadFailure();
    EXPECT_NE(std::string::npos, failure.find(KeyFile())) << c.name << ": '" << failure << "'";
  }
  fs::remove(KeyFile());
  fs::create_directory(KeyFile());
  EXPECT_NE(std::string::npos, LoadFailure().find(KeyFile())) << "a folder in its place";

  // What Create writes, and only that, is a whole key; blanks around its
  // lines (an operator's editor) do not damage it.
  fs::remove(KeyFile());
  test::WriteFile(KeyFile(), " " + secretLine.substr(0, secretLine.size() - 1) + " \r\n" +
                                 publicLine.substr(0, publicLine.size() - 1));
  EXPECT_EQ("", LoadFailure());
}

// ---------------------------------------------------------------------------
// The sequence of the site's signed packages

class SequenceTest : public testing::Test {
 protected:
  std::string Home() const { return mHome.Path(); }
  std::string Counter() const { return mHome / "Octopus/site.seq"; }

  test::TempDir mHome;
};

TEST_F(SequenceTest, StartsAtOneAndGoesOnFromWhatTheCounterHolds) {
  EXPECT_EQ(1U, ReserveSequence(Home()));
  EXPECT_EQ(2U, ReserveSequence(Home()));
  EXPECT_EQ("2\n", test::ReadFile(Counter()));
  test::WriteFile(Counter(), "41\n");
  EXPECT_EQ(42U, ReserveSequence(Home()));
  test::WriteFile(Counter(), "18446744073709551614");
  EXPECT_EQ(18446744073709551615U, ReserveSequence(Home()));
  EXPECT_THROW(ReserveSequence(Home()), std::runtime_error) << "never wraps round to 0";
  EXPECT_EQ((std::vector<std::string>{"site.seq", "site.seq.lock"}),
            test::FolderNames(mHome / "Octopus"));
}

// A counter that is not a number is not taken as 0: that would hand out
// numbers the receivers have seen.
TEST_F(SequenceTest, ADamagedCounterRaisesAndIsLeftAsItIs) {
  for (const std::string damaged : {"", "\n", "4x", "-3", "0x10", "99999999999999999999999"}) {
    test::WriteFile(Counter(), damaged);
    try {
      ReserveSequence(Home());
      ADD_FAILURE() << "'" << damaged << "' taken as a number";
    } catch (const std::runtime_error& failure) {
      EXPECT_NE(std::string::npos, std::string(failure.what()).find(Counter())) << failure.what();
    }
    EXPECT_EQ(damaged, test::ReadFile(Counter()));
  }
}

TEST_F(SequenceTest, TheCounterAndItsLockAreTheOwnersAndItsGroupsOnly) {
  const test::ScopedUmask umask(0);
  ReserveSequence(Home());
  EXPECT_EQ(0640U, test::PermissionsOf(Counter()));
  EXPECT_EQ(0640U, test::PermissionsOf(Counter() + ".lock"));
}

// Runs of one site signing at the same time (the upload, the members, the
// reports) each get numbers of their own, and together every number.
TEST_F(SequenceTest, RunsReservingAtOnceGetDistinctConsecutiveNumbers) {
  constexpr int kRuns = 5;
  constexpr int kEach = 30;
  const RunsAtOnce runs = RunAtOnce(kRuns, [&](int out) {
    for (int n = 0; n < kEach; ++n) {
      std::uint64_t number = 0;
      try {
        number = ReserveSequence(Home());
      } catch (const std::runtime_error&) {
        return 1;
      }
      // One write of 8 bytes to a pipe is never mixed with another's.
      if (::write(out, &number, sizeof number) != sizeof number) return 2;
    }
    return 0;
  });
  EXPECT_EQ(std::vector<int>(kRuns, 0), runs.codes) << "every run succeeds";
  std::vector<std::uint64_t> numbers(runs.written.size() / sizeof(std::uint64_t));
  std::memcpy(numbers.data(), runs.written.data(), numbers.size() * sizeof(std::uint64_t));
  std::sort(numbers.begin(), numbers.end());
  std::vector<std::uint64_t> expected(kRuns * kEach);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(expected, numbers);
  EXPECT_EQ(std::to_string(kRuns * kEach) + "\n", test::ReadFile(Counter()));
}

// ---------------------------------------------------------------------------
// The registry of the sites a host trusts

class KeyRegistryTest : public test::HostDatabaseTest {
 protected:
  static std::string Now() {
    return LocalTimeText(std::chrono::system_clock::now(), "%Y-%m-%d %H:%M:%S");
  }
  // "site state key" of every entry, in the registry's order.
  std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    for (const SiteKeyEntry& entry : Registry().List()) entries.push_back(Describe(entry));
    return entries;
  }
  static std::string Describe(const SiteKeyEntry& entry) {
    const char* states[] = {"trusted", "relay", "revoked", "unsigned"};
    return entry.site + " " + states[static_cast<int>(entry.state)] + " " +
           (entry.key ? entry.key->Text() : "-");
  }
  KeyRegistry Registry() { return KeyRegistry(*Db()); }
};

TEST_P(KeyRegistryTest, TrustRevokeAndAllowUnsignedChangeASitesEntry) {
  const std::string a = KeyOf(1).Text(), b = KeyOf(2).Text();
  EXPECT_EQ(std::vector<std::string>{}, Entries()) << "an empty registry is made on first use";
  EXPECT_FALSE(Registry().Find("B01").has_value());
  EXPECT_FALSE(Registry().Revoke("B01")) << "no entry to revoke";

  const std::string before = Now();
  Registry().Trust("B01", KeyOf(1));
  Registry().AllowUnsigned("B02");
  Registry().Trust("HQ", KeyOf(2));
  const std::string after = Now();
  EXPECT_EQ((std::vector<std::string>{"B01 trusted " + a, "B02 unsigned -", "HQ trusted " + b}),
            Entries());

  const std::optional<SiteKeyEntry> b01 = Registry().Find("B01");
  ASSERT_TRUE(b01.has_value());
  EXPECT_EQ(KeyOf(1), b01->key);
  EXPECT_TRUE(std::regex_match(b01->since, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
      << b01->since;
  EXPECT_LE(before, b01->since);
  EXPECT_GE(after, b01->since);

  // Revoking keeps the key, to show which one was withdrawn.
  EXPECT_TRUE(Registry().Revoke("B01"));
  EXPECT_TRUE(Registry().Revoke("B01")) << "revoked already";
  // A new key replaces the entry; leave to send unsigned drops the key.
  Registry().Trust("B02", KeyOf(1));
  Registry().AllowUnsigned("HQ");
  EXPECT_EQ((std::vector<std::string>{"B01 revoked " + a, "B02 trusted " + a, "HQ unsigned -"}),
            Entries());

  // Another connection, as another run would have, sees the same.
  const auto other = Reopen();
  KeyRegistry again(*other);
  ASSERT_TRUE(again.Find("HQ").has_value());
  EXPECT_EQ(KeyState::Unsigned, again.Find("HQ")->state);
  EXPECT_EQ(3U, again.List().size());
}

// Site identifiers are written by hand in several places; "b01" and "B01"
// are one site. Only ASCII letters fold.
TEST_P(KeyRegistryTest, SitesCompareWithoutRegardToCase) {
  Registry().Trust("B01", KeyOf(1));
  Registry().Trust("b01", KeyOf(2));
  EXPECT_EQ((std::vector<std::string>{"b01 trusted " + KeyOf(2).Text()}), Entries())
      << "the new entry replaces the old, under the name as given";
  for (const char* name : {"B01", "b01"}) {
    const auto found = Registry().Find(name);
    ASSERT_TRUE(found.has_value()) << name;
    EXPECT_EQ("b01", found->site);
  }
  EXPECT_TRUE(Registry().Revoke("B01"));
  EXPECT_EQ(KeyState::Revoked, Registry().Find("b01")->state);
  Registry().AllowUnsigned("B01");
  EXPECT_EQ((std::vector<std::string>{"B01 unsigned -"}), Entries());

  Registry().Trust("Ä01", KeyOf(3));
  EXPECT_FALSE(Registry().Find("ä01").has_value()) << "only ASCII letters fold";
  EXPECT_FALSE(Registry().Find("B0").has_value()) << "a prefix is another site";
  EXPECT_FALSE(Registry().Find("B01 ").has_value()) << "a trailing blank is another site";
  Registry().Trust("a02", KeyOf(4));
  Registry().Trust("C03", KeyOf(5));
  std::vector<std::string> sites;
  for (const SiteKeyEntry& entry : Registry().List()) sites.push_back(entry.site);
  EXPECT_EQ((std::vector<std::string>{"a02", "B01", "C03", "Ä01"}), sites)
      << "ordered by site, case aside, the same on both backends";
}

// Until a site is keyed, packages without a signature are taken; once any
// site has been keyed (as a site or as the relay), a sender without an
// entry is refused, also after that key is withdrawn.
TEST_P(KeyRegistryTest, AnyTrustedOnceASiteHasBeenKeyed) {
  EXPECT_FALSE(Registry().AnyTrusted());
  Registry().AllowUnsigned("B01");
  EXPECT_FALSE(Registry().AnyTrusted());
  Registry().Trust("B02", KeyOf(1));
  EXPECT_TRUE(Registry().AnyTrusted());
  Registry().Revoke("B02");
  EXPECT_TRUE(Registry().AnyTrusted()) << "a withdrawn key opens no door";
  Registry().AllowUnsigned("B02");
  EXPECT_FALSE(Registry().AnyTrusted());
  Registry().Trust("HQ", KeyOf(2), KeyState::Relay);
  EXPECT_TRUE(Registry().AnyTrusted());
  EXPECT_EQ(KeyState::Relay, Registry().Find("hq")->state);
}

// An entry this component did not write is the host's problem: it raises
// (so the receiver keeps the package for later), never reads as "unsigned".
TEST_P(KeyRegistryTest, AnEntryItCannotReadRaises) {
  Registry().Trust("B01", KeyOf(1));
  for (const char* change : {"UPDATE tavex_SiteKey SET State='maybe'",
                             "UPDATE tavex_SiteKey SET State='trusted', PublicKey='ed25519:x'",
                             "UPDATE tavex_SiteKey SET State='trusted', PublicKey=NULL"}) {
    Db()->Execute(change);
    try {
      Registry().Find("B01");
      ADD_FAILURE() << change << ": read as a good entry";
    } catch (const db::DbError& failure) {
      EXPECT_EQ(db::DbFault::Local, failure.Fault()) << change;
      EXPECT_NE(std::string::npos, std::string(failure.what()).find("B01")) << failure.what();
    }
    EXPECT_THROW(Registry().List(), db::DbError) << change;
  }
}

INSTANTIATE_HOST_DATABASE_TEST(KeyRegistryTest);

}  // namespace
}  // namespace tavex::trust
