#include "transfer/SshHostKey.h"

#include <sodium.h>

#include <cstdint>

namespace tavex {

namespace {

// The first field of a key blob: a 32-bit big-endian length, then that
// many bytes of the type name ("ssh-ed25519", "ecdsa-sha2-nistp256", ...).
std::string TypeName(std::string_view blob) {
  constexpr std::size_t kLengthBytes = 4;
  constexpr std::size_t kLongestName = 64;
  if (blob.size() < kLengthBytes) return "";
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < kLengthBytes; ++i) {
    length = (length << 8) | static_cast<unsigned char>(blob[i]);
  }
  if (length == 0 || length > kLongestName || length > blob.size() - kLengthBytes) return "";
  const std::string_view name = blob.substr(kLengthBytes, length);
  for (unsigned char c : name) {
    if (c <= 0x20 || c >= 0x7F) return "";
  }
  return std::string(name);
}

}  // namespace

std::string SshKeyFingerprint(std::string_view blob) {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(blob.data()), blob.size());
  constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL_NO_PADDING;
  char text[sodium_base64_ENCODED_LEN(crypto_hash_sha256_BYTES, kVariant)];
  sodium_bin2base64(text, sizeof text, digest, sizeof digest, kVariant);
  const std::string type = TypeName(blob);
  return (type.empty() ? "" : type + " ") + "SHA256:" + text;
}

}  // namespace tavex
