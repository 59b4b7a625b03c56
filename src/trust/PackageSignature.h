#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "engine/FSComprFile.h"
#include "trust/PackageKinds.h"
#include "trust/SiteKeys.h"

namespace tavex::trust {

// What a signed package file says about itself. The signature is carried in
// the file itself, so that a package stays one file on the server: a zstd
// skippable frame (magic 0x184D2A5D) ahead of the data frame, which the
// `zstd` command skips and the package compression accepts (exactly this
// one and nothing else). The frame's content is text, one field a line,
// padded with zero bytes (this system writes 1016 bytes of content):
//
//   tavex-signed-package 1
//   signer HQ
//   sender B01
//   kind bills
//   sequence 42
//   signature <base64 of the 64-byte Ed25519 signature>
//
// The signature (Ed25519, libsodium's crypto_sign_detached) is the signer's
// over the frame's text up to the signature line, followed by the 64-byte
// BLAKE2b digest (crypto_generichash) of every byte of the data frame: the
// compressed package as sent. The signer is the sender, or head office's
// relay signing what it forwards for another site.
struct SignedPackage {
  std::string signer;
  std::string sender;
  PackageKind kind = PackageKind::Bills;
  std::uint64_t sequence = 0;
  std::array<unsigned char, 64> signature{};
};

// A package file whose signature frame cannot be read.
class SignatureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The names of the kinds in the frame ("bills", "reports", "members",
// "member-bundle").
std::string KindName(PackageKind kind);

// Signs the package file `packageFile` (an unsigned one, or one whose frame
// is replaced: the relay signing again what it forwards) with `key` as
// `package` says (its signature is computed here), writing the signed file
// to `signedFile` (by default over `packageFile`) under a temporary name and
// renaming it. Raises std::runtime_error when a file cannot be read or
// written.
void SignPackageFile(const std::string& packageFile, const SiteKey& key, SignedPackage package,
                     const std::string& signedFile = {});

// What signs the package file `packageFile` that this site (`site`, setting
// 801) is about to compress and send, as the compression writes it: with
// the key of the plug-in folder and the next number of its sequence
// (reserved once the data is whole); its kind comes from its name. Null
// when the site has no key (the package goes unsigned). Raises
// std::runtime_error when there is a key that cannot be read: the package
// must then not be made.
std::unique_ptr<engine::FrameAhead> SignerOfOwnPackage(const std::string& packageFile,
                                                       const std::string& site);

// The signature frame of `packageFile`; nullopt for an unsigned package.
// Raises SignatureError for a frame that is not one this system writes, and
// std::runtime_error when the file cannot be read.
std::optional<SignedPackage> ReadSignature(const std::string& packageFile);

// True when `package` holds `key`'s signature of `packageFile`'s frame fields
// and data. Raises std::runtime_error when the file cannot be read.
bool VerifySignature(const std::string& packageFile, const SignedPackage& package,
                     const PublicKey& key);

}  // namespace tavex::trust
