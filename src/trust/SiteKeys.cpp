#include "trust/SiteKeys.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "database/AsciiText.h"
#include "storage/CreatePath.h"
#include "storage/DatabaseHelpers.h"
#include "storage/DurableFile.h"
#include "storage/FileDescriptor.h"
#include "storage/IgnoreFailure.h"
#include "storage/LocalTime.h"

namespace tavex::trust {

namespace {

constexpr std::string_view kPublicPrefix = "ed25519:";
constexpr std::string_view kSecretPrefix = "ed25519-secret:";
constexpr int kBase64 = sodium_base64_VARIANT_ORIGINAL;
// The folder of the site's own files (owner and group, as the other
// exchange folders the site's runs share), made when missing.
constexpr mode_t kFolderPermissions = 0750;
// The key and the counter: the owner writes, the site's group reads.
constexpr mode_t kFilePermissions = 0640;
// A key file is two short lines; anything much longer is not one.
constexpr std::size_t kLongestKeyFile = 1024;

void InitSodium() {
  static const int result = sodium_init();
  if (result < 0) throw std::runtime_error("libsodium cannot be initialised");
}

std::runtime_error SystemFailure(const std::string& what, const std::string& path) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

std::string OctopusFolder(const std::string& pluginFolder) {
  return (std::filesystem::absolute(pluginFolder) / "Octopus").lexically_normal().string();
}

std::string KeyPath(const std::string& pluginFolder) {
  return OctopusFolder(pluginFolder) + "/site.key";
}

std::string MakeOctopusFolder(const std::string& pluginFolder) {
  const std::string folder = OctopusFolder(pluginFolder);
  if (!CreatePath(folder, kFolderPermissions)) {
    throw std::runtime_error("cannot create the folder " + folder);
  }
  return folder;
}

template <std::size_t N>
std::string Base64(const std::array<unsigned char, N>& bytes) {
  char text[sodium_base64_ENCODED_LEN(N, kBase64)];
  sodium_bin2base64(text, sizeof text, bytes.data(), bytes.size(), kBase64);
  std::string result(text);
  sodium_memzero(text, sizeof text);
  return result;
}

// The N bytes that `text` encodes in standard padded base64, with nothing
// before or after; nullopt for anything else, a non-canonical form included
// (so one key has exactly one text).
template <std::size_t N>
std::optional<std::array<unsigned char, N>> FromBase64(std::string_view text) {
  std::array<unsigned char, N> bytes{};
  std::size_t length = 0;
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length,
                        nullptr, kBase64) != 0 ||
      length != N || Base64(bytes) != text) {
    sodium_memzero(bytes.data(), bytes.size());
    return std::nullopt;
  }
  return bytes;
}

void SyncFolder(const std::string& folder) {
  const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0 || ::fsync(fd.Get()) != 0) throw SystemFailure("cannot flush", folder);
}

// The whole of a small file; nullopt when it does not exist.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t longest) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw SystemFailure("cannot open", path);
  }
  std::string contents;
  char buffer[512];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw SystemFailure("cannot read", path);
    if (got == 0) break;
    contents.append(buffer, static_cast<std::size_t>(got));
    if (contents.size() > longest) {
      sodium_memzero(buffer, sizeof buffer);
      throw std::runtime_error(path + " is damaged: longer than " + std::to_string(longest) +
                               " bytes");
    }
  }
  sodium_memzero(buffer, sizeof buffer);
  return contents;
}

// Wipes a text that held secret key material when it goes away.
struct WipedText {
  std::string text;
  ~WipedText() { sodium_memzero(text.data(), text.size()); }
};

std::optional<KeyState> StateFromText(std::string_view text) {
  for (KeyState state :
       {KeyState::Trusted, KeyState::Relay, KeyState::Revoked, KeyState::Unsigned}) {
    if (text == KeyStateText(state)) return state;
  }
  return std::nullopt;
}

}  // namespace

const char* KeyStateText(KeyState state) {
  switch (state) {
    case KeyState::Trusted:
      return "trusted";
    case KeyState::Relay:
      return "relay";
    case KeyState::Revoked:
      return "revoked";
    case KeyState::Unsigned:
      return "unsigned";
  }
  return "";
}

// ---------------------------------------------------------------------------
// PublicKey

std::string PublicKey::Text() const { return std::string(kPublicPrefix) + Base64(bytes); }

std::optional<PublicKey> PublicKey::Parse(std::string_view text) {
  text = TrimAsciiBlanks(text);
  if (!text.starts_with(kPublicPrefix)) return std::nullopt;
  const auto decoded = FromBase64<32>(text.substr(kPublicPrefix.size()));
  if (!decoded) return std::nullopt;
  PublicKey key;
  key.bytes = *decoded;
  return key;
}

// ---------------------------------------------------------------------------
// SiteKey

SiteKey SiteKey::Create(const std::string& pluginFolder) {
  InitSodium();
  const std::string path = KeyPath(pluginFolder);
  // Refused early with the plain reason; the link below is what keeps two
  // runs that make a key at once from replacing each other's.
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0) {
    throw std::runtime_error("the site already has a key in " + path +
                             "; it is never replaced by a new one");
  }
  const std::string folder = MakeOctopusFolder(pluginFolder);

  SiteKey key;
  crypto_sign_keypair(key.mPublic.bytes.data(), key.mSecret.data());
  WipedText contents{std::string(kSecretPrefix) + Base64(key.mSecret) + "\n" + key.mPublic.Text() +
                     "\n"};

  // The key is written whole under a temporary name with its final
  // permissions and put on the disk, then linked to its final name: link,
  // unlike rename, fails when the name exists, so an existing key is never
  // overwritten. The temporary name goes when `file` goes uncommitted.
  DurableFile file(path, kFilePermissions);
  file.Write(contents.text.data(), contents.text.size());
  if (std::fflush(file.Stream()) != 0 || ::fsync(::fileno(file.Stream())) != 0) {
    throw SystemFailure("cannot write", file.TemporaryPath());
  }
  if (::link(file.TemporaryPath().c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) {
      throw std::runtime_error("the site already has a key in " + path +
                               "; it is never replaced by a new one");
    }
    throw SystemFailure("cannot create", path);
  }
  // A new key starts a new sequence (the receivers keep their records per
  // key): numbers of a key that was removed do not carry over.
  RemoveFile(folder + "/site.seq");
  SyncFolder(folder);
  return key;
}

std::optional<SiteKey> SiteKey::Load(const std::string& pluginFolder) {
  InitSodium();
  const std::string path = KeyPath(pluginFolder);
  std::optional<std::string> read;
  try {
    read = ReadSmallFile(path, kLongestKeyFile);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(std::string("the site key cannot be read: ") + error.what());
  }
  if (!read) return std::nullopt;
  const WipedText contents{std::move(*read)};
  const auto damaged = [&](const std::string& what) {
    return std::runtime_error("the site key file " + path + " is damaged: " + what);
  };

  // Two lines: the secret key, then the public key.
  std::string_view rest = contents.text;
  std::vector<std::string_view> lines;
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    const std::string_view line = TrimAsciiBlanks(rest.substr(0, end));
    if (!line.empty()) lines.push_back(line);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  if (lines.size() != 2) throw damaged("it does not hold exactly two lines");
  if (!lines[0].starts_with(kSecretPrefix)) {
    throw damaged("the first line is not the secret key");
  }
  auto secret = FromBase64<64>(lines[0].substr(kSecretPrefix.size()));
  if (!secret) throw damaged("the secret key is not 64 bytes in base64");
  const auto publicKey = PublicKey::Parse(lines[1]);
  if (!publicKey) throw damaged("the second line is not a public key");

  // The secret key holds its seed and its public half; the pair must be the
  // one the seed makes, and its public half the key the file shows.
  SiteKey key;
  key.mSecret = *secret;
  sodium_memzero(secret->data(), secret->size());
  unsigned char seed[crypto_sign_SEEDBYTES];
  std::array<unsigned char, 64> remade{};
  PublicKey remadePublic;
  crypto_sign_ed25519_sk_to_seed(seed, key.mSecret.data());
  crypto_sign_seed_keypair(remadePublic.bytes.data(), remade.data(), seed);
  const bool whole = sodium_memcmp(remade.data(), key.mSecret.data(), remade.size()) == 0;
  sodium_memzero(seed, sizeof seed);
  sodium_memzero(remade.data(), remade.size());
  if (!whole) throw damaged("the secret key does not match its own public half");
  if (remadePublic != *publicKey) {
    throw damaged("the public key does not belong to the secret key");
  }
  key.mPublic = *publicKey;
  return key;
}

// ---------------------------------------------------------------------------
// ReserveSequence

std::uint64_t ReserveSequence(const std::string& pluginFolder) {
  const std::string folder = MakeOctopusFolder(pluginFolder);
  const std::string path = folder + "/site.seq";
  // The counter is replaced whole by a rename, so it cannot carry the lock
  // itself: a lock file beside it does, and stays. Read access is enough to
  // lock it, so any user of the site's group can.
  const std::string lockPath = path + ".lock";
  int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFilePermissions);
  const bool made = fd >= 0;
  if (!made && errno == EEXIST) fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  const FileDescriptor lock(fd);
  if (lock.Get() < 0) throw SystemFailure("cannot open", lockPath);
  // open's mode is narrowed by the umask, fchmod's not.
  if (made && ::fchmod(lock.Get(), kFilePermissions) != 0) {
    throw SystemFailure("cannot create", lockPath);
  }
  int locked;
  do {
    locked = ::flock(lock.Get(), LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) throw SystemFailure("cannot lock", lockPath);

  // The new number is on the disk before it is handed out, and the file is
  // replaced whole, so a run that dies at any point leaves the old or the
  // new number: none is handed out twice, and the counter never goes back.
  // A number may be skipped (a run that died after reserving it), never
  // repeated.
  std::uint64_t last = 0;
  if (const auto text = ReadSmallFile(path, 64)) {
    const std::string_view digits = TrimAsciiBlanks(*text);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), last);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      throw std::runtime_error("the package counter " + path + " is damaged: '" +
                               std::string(digits) + "' is not a number");
    }
  }
  if (last == std::numeric_limits<std::uint64_t>::max()) {
    throw std::runtime_error("the package counter " + path + " is exhausted");
  }
  const std::uint64_t next = last + 1;
  WriteFileDurably(path, std::to_string(next) + "\n", kFilePermissions);
  return next;  // the lock goes with `lock`
}

// ---------------------------------------------------------------------------
// KeyRegistry

namespace {

constexpr const char* kTable = "tavex_SiteKey";

// The site column folded to ASCII lower case, for comparing against an
// identifier folded the same way. SQLite's LOWER folds only ASCII letters;
// PostgreSQL's follows the database's locale, so it is spelled out there.
std::string FoldedSite(db::Connection& host) {
  return host.GetBackend() == db::Backend::Sqlite
             ? "LOWER(SiteID)"
             : "TRANSLATE(SiteID, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')";
}

std::string TextOf(const db::Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  return {};
}

// A row this component did not write is this host's problem, not the
// sender's: the receivers keep the package for a later run.
db::DbError Damaged(const std::string& site, const std::string& what) {
  return db::DbError(std::string(kTable) + ": the entry of site " + site + " is damaged: " + what,
                     db::DbFault::Local);
}

SiteKeyEntry ReadEntry(const db::Recordset& rows) {
  SiteKeyEntry entry;
  entry.site = TextOf(rows.Get(0));
  const std::string state = TextOf(rows.Get(1));
  const auto known = StateFromText(state);
  if (!known) throw Damaged(entry.site, "unknown state '" + state + "'");
  entry.state = *known;
  const db::Value key = rows.Get(2);
  if (!std::holds_alternative<std::monostate>(key)) {
    entry.key = PublicKey::Parse(TextOf(key));
    if (!entry.key) throw Damaged(entry.site, "the key is not a public key");
  }
  if ((entry.state == KeyState::Trusted || entry.state == KeyState::Relay) && !entry.key) {
    throw Damaged(entry.site, "no key");
  }
  entry.since = TextOf(rows.Get(3));
  return entry;
}

// Runs `change` in one transaction of its own unless the caller holds one:
// a strict one, so that two changes of one site at once cannot both insert
// (SQLite takes the write lock at once; PostgreSQL refuses the second).
template <typename Change>
void InTransaction(db::Connection& host, Change&& change) {
  const bool own = !host.InTransaction();
  if (own) host.BeginTrans(db::TransactionKind::Strict);
  try {
    change();
    if (own) host.CommitTrans();
  } catch (...) {
    if (own) IgnoreFailure([&] { host.RollbackTrans(); });
    throw;
  }
}

}  // namespace

void KeyRegistry::MakeTable() {
  if (storage::TableExists(mHost, kTable)) return;
  mHost.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kTable +
                " (SiteID TEXT NOT NULL PRIMARY KEY, State TEXT NOT NULL, PublicKey TEXT, "
                "Since TEXT)");
}

namespace {

// Replaces every entry of `site` (in any case) with one under the name as
// given.
void Replace(db::Connection& host, const std::string& site, KeyState state, const db::Value& key) {
  InTransaction(host, [&] {
    host.Execute(std::string("DELETE FROM ") + kTable + " WHERE " + FoldedSite(host) + "=?",
                 {AsciiLower(site)});
    host.Execute(std::string("INSERT INTO ") + kTable +
                     " (SiteID, State, PublicKey, Since) VALUES (?, ?, ?, ?)",
                 {site, std::string(KeyStateText(state)), key, NowText()});
  });
}

}  // namespace

void KeyRegistry::Trust(const std::string& site, const PublicKey& key, KeyState state) {
  if (state != KeyState::Trusted && state != KeyState::Relay) {
    throw std::invalid_argument("a site is trusted with a key as a site or as the relay");
  }
  MakeTable();
  Replace(mHost, site, state, key.Text());
}

bool KeyRegistry::Revoke(const std::string& site) {
  MakeTable();
  const std::int64_t changed =
      mHost.Execute(std::string("UPDATE ") + kTable + " SET State=?, Since=? WHERE " +
                        FoldedSite(mHost) + "=? AND State<>?",
                    {std::string(KeyStateText(KeyState::Revoked)), NowText(), AsciiLower(site),
                     std::string(KeyStateText(KeyState::Revoked))});
  // An entry revoked already stays as it was, since included.
  return changed > 0 || Find(site).has_value();
}

void KeyRegistry::AllowUnsigned(const std::string& site) {
  MakeTable();
  Replace(mHost, site, KeyState::Unsigned, std::monostate{});
}

std::optional<SiteKeyEntry> KeyRegistry::Find(const std::string& site) {
  MakeTable();
  auto rows = mHost.Query(std::string("SELECT SiteID, State, PublicKey, Since FROM ") + kTable +
                              " WHERE " + FoldedSite(mHost) + "=?",
                          {AsciiLower(site)});
  if (!rows->Next()) return std::nullopt;
  return ReadEntry(*rows);
}

std::vector<SiteKeyEntry> KeyRegistry::List() {
  MakeTable();
  std::vector<SiteKeyEntry> entries;
  auto rows = mHost.Query(std::string("SELECT SiteID, State, PublicKey, Since FROM ") + kTable);
  while (rows->Next()) entries.push_back(ReadEntry(*rows));
  // Sorted here, not by the database, whose collation differs by backend.
  std::sort(entries.begin(), entries.end(), [](const SiteKeyEntry& a, const SiteKeyEntry& b) {
    const std::string foldedA = AsciiLower(a.site), foldedB = AsciiLower(b.site);
    return foldedA != foldedB ? foldedA < foldedB : a.site < b.site;
  });
  return entries;
}

bool KeyRegistry::AnyTrusted() {
  MakeTable();
  auto rows = mHost.Query(std::string("SELECT SiteID FROM ") + kTable + " WHERE State<>?",
                          {std::string(KeyStateText(KeyState::Unsigned))});
  return rows->Next();
}

}  // namespace tavex::trust
