#include "trust/SignatureCheck.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "storage/LocalTime.h"
#include "transfer/IniSection.h"
#include "trust/CheckTexts.h"

namespace tavex::trust {

namespace {

constexpr const char* kTable = "tavex_AcceptedPackage";
constexpr const char* kUnsignedTable = "tavex_UnsignedPackage";

void MakeTables(db::Connection& host) {
  host.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kTable +
               " (Receiver TEXT NOT NULL, SignerID TEXT NOT NULL, SenderID TEXT NOT NULL, "
               "PublicKey TEXT NOT NULL, Sequence BIGINT NOT NULL, AcceptedAt TEXT, "
               "PRIMARY KEY (Receiver, SignerID, PublicKey, Sequence))");
  host.Execute(std::string("CREATE TABLE IF NOT EXISTS ") + kUnsignedTable +
               " (Receiver TEXT NOT NULL, SenderID TEXT NOT NULL, LastAt TEXT, "
               "PRIMARY KEY (Receiver, SenderID))");
}

bool Taken(db::Connection& host, const std::string& receiver, const SignedPackage& package,
           const PublicKey& key) {
  return db::CountOf(host,
                     std::string("SELECT COUNT(*) FROM ") + kTable +
                         " WHERE Receiver=? AND SignerID=? AND PublicKey=? AND Sequence=?",
                     {receiver, package.signer, key.Text(),
                      static_cast<std::int64_t>(package.sequence)}) != 0;
}

SignatureVerdict Refused(std::string reason) {
  SignatureVerdict verdict;
  verdict.reason = std::move(reason);
  return verdict;
}

bool MaySign(const std::optional<SiteKeyEntry>& entry) {
  return entry && entry->key &&
         (entry->state == KeyState::Trusted || entry->state == KeyState::Relay);
}

// The verdict on a package whose signature, if any, cannot be checked
// here; `refusal` is the reason when such packages are not taken from
// `nameSender`.
SignatureVerdict AsUnsigned(KeyRegistry& registry, bool required, const CheckTexts& texts,
                            const std::string& nameSender, std::string refusal) {
  const std::optional<SiteKeyEntry> entry = registry.Find(nameSender);
  if (entry && entry->state == KeyState::Revoked) {
    return Refused(texts.Msg_Check_Revoked + nameSender);
  }
  const bool listedUnsigned = entry && entry->state == KeyState::Unsigned;
  // Required signatures overrule the list of sites not yet keyed.
  if (required || (!listedUnsigned && (entry || registry.AnyTrusted()))) {
    return Refused(std::move(refusal));
  }
  SignatureVerdict verdict;
  verdict.accepted = true;
  verdict.unsignedSender = true;
  verdict.listedUnsigned = listedUnsigned;
  return verdict;
}

}  // namespace

SignatureCheck::SignatureCheck(db::Connection& host, std::string receiver, bool required)
    : mHost(host), mReceiver(std::move(receiver)), mRequired(required) {
  MakeTables(mHost);
}

SignatureVerdict SignatureCheck::Check(const std::string& packageFile,
                                       const std::string& nameSender, PackageKind nameKind,
                                       bool resumed) {
  const CheckTexts texts = ReadCheckTexts();
  KeyRegistry registry(mHost);
  std::optional<SignedPackage> package;
  try {
    package = ReadSignature(packageFile);
  } catch (const SignatureError& error) {
    return Refused(texts.Msg_Check_BadSignature + error.what());
  }

  if (!package)
    return AsUnsigned(registry, mRequired, texts, nameSender,
                      texts.Msg_Check_Unsigned + nameSender);

  if (!EqualsNoCase(package->sender, nameSender) || package->kind != nameKind) {
    return Refused(texts.Msg_Check_OtherName + package->sender + " " + KindName(package->kind));
  }
  const std::optional<SiteKeyEntry> signer = registry.Find(package->signer);
  if (signer && signer->state == KeyState::Revoked) {
    return Refused(texts.Msg_Check_Revoked + package->signer);
  }
  // A signature nobody here can check is worth no more than none: while a
  // chain rolls keys out, a site signs from the day it makes its key, and
  // its packages are taken as they were before until its key is trusted.
  if (!MaySign(signer)) {
    return AsUnsigned(registry, mRequired, texts, nameSender,
                      texts.Msg_Check_UnknownSigner + package->signer);
  }
  // Only head office's relay signs for other sites.
  if (!EqualsNoCase(package->signer, package->sender) && signer->state != KeyState::Relay) {
    return Refused(texts.Msg_Check_OtherSigner + package->signer);
  }
  if (!VerifySignature(packageFile, *package, *signer->key)) {
    return Refused(texts.Msg_Check_BadSignature + package->signer);
  }
  SignatureVerdict verdict;
  verdict.signature = package;
  verdict.key = signer->key;
  if (Taken(mHost, mReceiver, *package, *signer->key)) {
    if (!resumed) {
      return Refused(texts.Msg_Check_Replayed + package->signer + " " +
                     std::to_string(package->sequence));
    }
    verdict.alreadyTaken = true;
  }
  verdict.accepted = true;
  return verdict;
}

std::vector<engine::ReceiverRecord> SignatureCheck::Records(const SignatureVerdict& verdict,
                                                            const std::string& nameSender) {
  if (!verdict.accepted) return {};
  if (verdict.signature && verdict.key) {
    return {{std::string("INSERT INTO ") + kTable +
                 " (Receiver, SignerID, SenderID, PublicKey, Sequence, AcceptedAt) VALUES "
                 "(?,?,?,?,?,?)",
             {mReceiver, verdict.signature->signer, verdict.signature->sender, verdict.key->Text(),
              static_cast<std::int64_t>(verdict.signature->sequence), NowText()}}};
  }
  return {{std::string("DELETE FROM ") + kUnsignedTable + " WHERE Receiver=? AND SenderID=?",
           {mReceiver, nameSender}},
          {std::string("INSERT INTO ") + kUnsignedTable +
               " (Receiver, SenderID, LastAt) VALUES (?,?,?)",
           {mReceiver, nameSender, NowText()}}};
}

void SignatureCheck::RecordNow(const SignatureVerdict& verdict, const std::string& nameSender) {
  for (const engine::ReceiverRecord& record : Records(verdict, nameSender)) {
    mHost.Execute(record.sql, record.params);
  }
}

std::vector<SequenceGap> SequenceGaps(db::Connection& host, const std::string& receiver,
                                      std::size_t limit) {
  MakeTables(host);
  // The numbers of each site's own packages, by key: a new key starts anew.
  std::map<std::pair<std::string, std::string>, std::vector<std::uint64_t>> taken;
  auto rows = host.Query(std::string("SELECT SignerID, PublicKey, Sequence FROM ") + kTable +
                             " WHERE Receiver=? AND SignerID=SenderID ORDER BY Sequence",
                         {receiver});
  while (rows->Next()) {
    const db::Value signer = rows->Get(0);
    const db::Value key = rows->Get(1);
    const db::Value sequence = rows->Get(2);
    const auto* number = std::get_if<std::int64_t>(&sequence);
    if (number == nullptr || *number <= 0) continue;
    taken[{std::get<std::string>(signer), std::get<std::string>(key)}].push_back(
        static_cast<std::uint64_t>(*number));
  }
  std::vector<SequenceGap> gaps;
  KeyRegistry registry(host);
  for (const auto& [site, numbers] : taken) {
    // The relay's numbers also go to other sites' folders: not every one
    // comes here.
    const std::optional<SiteKeyEntry> entry = registry.Find(site.first);
    if (entry && entry->state == KeyState::Relay) continue;
    // From the first number taken: what a site signed before this receiver
    // trusted its key was taken unsigned, or refused and filed.
    SequenceGap gap{site.first, {}};
    std::uint64_t expected = numbers.front();
    for (const std::uint64_t number : numbers) {
      for (; expected < number && gap.missing.size() < limit; ++expected) {
        gap.missing.push_back(expected);
      }
      expected = number + 1;
    }
    if (!gap.missing.empty()) gaps.push_back(std::move(gap));
  }
  return gaps;
}

std::vector<std::string> UnsignedSenders(db::Connection& host, const std::string& receiver,
                                         const std::string& since) {
  MakeTables(host);
  std::vector<std::string> senders;
  auto rows = host.Query(std::string("SELECT SenderID FROM ") + kUnsignedTable +
                             " WHERE Receiver=? AND LastAt>=? ORDER BY SenderID",
                         {receiver, since});
  while (rows->Next()) {
    const db::Value sender = rows->Get(0);
    if (const auto* text = std::get_if<std::string>(&sender)) senders.push_back(*text);
  }
  return senders;
}

SignatureSettings CurrentSignatureSettings() {
  const std::optional<IniValues> values = ReadIniSection(TransferOptionsFile(), "Signatures");
  if (!values) return {};
  return {IniValue(*values, "required") == "1", IniValue(*values, "resign") == "1"};
}

}  // namespace tavex::trust
