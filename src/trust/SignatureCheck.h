#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/ImportScope.h"
#include "trust/PackageKinds.h"
#include "trust/PackageSignature.h"
#include "trust/SiteKeys.h"

namespace tavex::trust {

// What the signature check makes of one received package.
struct SignatureVerdict {
  bool accepted = false;
  // Why it was refused; empty when accepted.
  std::string reason;
  // Its signature, when it is signed and accepted.
  std::optional<SignedPackage> signature;
  std::optional<PublicKey> key;
  // Accepted unsigned: recorded for the status.
  bool unsignedSender = false;
  // Accepted unsigned from a site listed as not yet keyed while others sign:
  // a line for the log.
  bool listedUnsigned = false;
  // A package this receiver already took (a resumed one merged before the
  // run that took it died): nothing is left to do with it.
  bool alreadyTaken = false;
};

// The signature rules of one receiver: the relay ("relay") or a site's
// download ("download"), each with its own record of the packages it took,
// even on one database.
//
// - A signed package must be signed by a site the receiver trusts with a
//   key (not revoked), with that key, for the sender and kind its name
//   gives; the signer is the sender, or a site trusted to sign what it
//   forwards for others (head office's relay, at a branch).
// - A sequence number the receiver took before from that signer and key is
//   a replay and is refused (a package resumed after a run died is no
//   replay: `resumed`).
// - While signatures are not required, an unsigned package, or one signed
//   by a site whose key is not trusted here (yet), is taken from a site
//   listed as not yet keyed (`listedUnsigned`), or, while the receiver
//   trusts no key at all, from anyone, as before there were keys.
class SignatureCheck {
 public:
  // `required`: every sender must sign (the setting of MAIN.INI).
  SignatureCheck(db::Connection& host, std::string receiver, bool required);

  SignatureVerdict Check(const std::string& packageFile, const std::string& nameSender,
                         PackageKind nameKind, bool resumed);

  // The statements (with their parameters) that record `verdict`'s package
  // as taken by this receiver (its signer and number, or its unsigned
  // sender): for the merge to run in its own transaction, so that a merged
  // package and its record exist together or not at all.
  std::vector<engine::ReceiverRecord> Records(const SignatureVerdict& verdict,
                                              const std::string& nameSender);
  // Records it now (the relay, which merges nothing).
  void RecordNow(const SignatureVerdict& verdict, const std::string& nameSender);

 private:
  db::Connection& mHost;
  std::string mReceiver;
  bool mRequired;
};

// Sequence numbers missing at `receiver`: for each site that signs its own
// packages, the numbers between the lowest and the highest taken that were
// never taken (a package deleted on the server, refused, or still on its
// way). At most `limit` per site.
struct SequenceGap {
  std::string site;
  std::vector<std::uint64_t> missing;
};
std::vector<SequenceGap> SequenceGaps(db::Connection& host, const std::string& receiver,
                                      std::size_t limit = 10);

// The senders whose unsigned packages `receiver` took at or after `since`
// ("YYYY-MM-DD HH:MM:SS"), in order.
std::vector<std::string> UnsignedSenders(db::Connection& host, const std::string& receiver,
                                         const std::string& since);

// The signature settings of section "Signatures" of the transfer options
// file ("Octopus/MAIN.INI"): `Required=1` makes every sender sign;
// `Resign=1` has the relay sign again, with head office's key, what it
// forwards to the branches (turn it on once every branch runs a version
// that reads signed packages). Both off when missing or unreadable.
struct SignatureSettings {
  bool required = false;
  bool resign = false;
};
SignatureSettings CurrentSignatureSettings();

}  // namespace tavex::trust
