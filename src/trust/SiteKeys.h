#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/Connection.h"

namespace tavex::trust {

// A site's Ed25519 public key. Its text form is one line that can be pasted
// into a ticket or a mail: "ed25519:" and the base64 of its 32 bytes.
struct PublicKey {
  std::array<unsigned char, 32> bytes{};

  std::string Text() const;
  // The key `text` gives (surrounding blanks ignored); nullopt for anything
  // else.
  static std::optional<PublicKey> Parse(std::string_view text);

  friend bool operator==(const PublicKey&, const PublicKey&) = default;
};

// The site's own Ed25519 key pair, kept in the plug-in folder as
// "Octopus/site.key": readable and writable by its owner, readable by the
// site's group (the timers and the host application may run as different
// users of it), by nobody else. Made once, never overwritten.
class SiteKey {
 public:
  // Makes the key pair of the plug-in folder `pluginFolder`, starting its
  // sequence anew (see ReserveSequence). Raises
  // std::runtime_error with the reason when the folder already has one, or
  // the file cannot be written (a half-written key file is never left).
  static SiteKey Create(const std::string& pluginFolder);

  // The key of `pluginFolder`: nullopt when it has none. Raises
  // std::runtime_error with the reason when there is a key file that cannot
  // be read or is damaged: a run must then fail, never send unsigned.
  static std::optional<SiteKey> Load(const std::string& pluginFolder);

  const PublicKey& Public() const { return mPublic; }
  // The 64-byte secret key as libsodium's crypto_sign takes it.
  const std::array<unsigned char, 64>& Secret() const { return mSecret; }

 private:
  SiteKey() = default;

  PublicKey mPublic;
  std::array<unsigned char, 64> mSecret{};
};

// Reserves the next sequence number of the packages the site of
// `pluginFolder` signs (1 for the first): a counter in
// "Octopus/site.seq", read and advanced under an exclusive lock of the file
// and written durably, so runs of one site that sign at the same time (the
// upload, the members, the reports) never get the same number. Raises
// std::runtime_error with the reason when it cannot.
std::uint64_t ReserveSequence(const std::string& pluginFolder);

// How a receiver stands to a site.
enum class KeyState {
  Trusted,   // its packages must be signed with `key`
  Relay,     // as Trusted, and it may sign what it forwards for other sites
             // (head office's relay, as a branch knows it)
  Revoked,   // its key was withdrawn: its packages are refused
  Unsigned,  // not yet keyed: its unsigned packages are accepted, each logged
};

// The state as the register stores it and `tavexdata keys` shows it:
// "trusted", "relay", "revoked", "unsigned".
const char* KeyStateText(KeyState state);

struct SiteKeyEntry {
  std::string site;
  KeyState state = KeyState::Trusted;
  std::optional<PublicKey> key;  // for Trusted, Relay and Revoked
  std::string since;             // local time of the change, "YYYY-MM-DD HH:MM:SS"
};

// Who a host trusts: the sites whose packages it takes, each with its key
// or its leave to send unsigned, in the host database's table tavex_SiteKey
// of this component (made on first use, on both backends). It is not part
// of any backup, so restoring an old backup never brings back a revoked
// key. Site identifiers compare without regard to ASCII case. Failures
// raise (db::DbError).
class KeyRegistry {
 public:
  explicit KeyRegistry(db::Connection& host) : mHost(host) {}

  // `site` signs with `key` from now on (as the relay with `state` Relay).
  // A new key for a site starts a new sequence: the receivers' records of
  // accepted numbers are per key.
  void Trust(const std::string& site, const PublicKey& key, KeyState state = KeyState::Trusted);
  // `site`'s key is withdrawn; false when the site has no entry.
  bool Revoke(const std::string& site);
  // `site` may send unsigned packages until it is trusted with a key.
  void AllowUnsigned(const std::string& site);

  std::optional<SiteKeyEntry> Find(const std::string& site);
  // Every entry, ordered by site.
  std::vector<SiteKeyEntry> List();
  // True when any site has been keyed (trusted, as the relay or revoked
  // since): from then on a sender with no entry is refused, also after the
  // only key is revoked.
  bool AnyTrusted();

 private:
  void MakeTable();

  db::Connection& mHost;
};

}  // namespace tavex::trust
