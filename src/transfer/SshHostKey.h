#pragma once

#include <string>
#include <string_view>

namespace tavex {

// The fingerprint of an SSH public key blob (the key as the server sends it
// in the key exchange, and as a known_hosts line holds it in base64), the
// way `ssh-keygen -l` prints it: the key type named in the blob, a blank,
// "SHA256:" and the unpadded base64 of the blob's SHA-256, for example
// "ssh-ed25519 SHA256:1QUod2uzRKUfPQwbk5rlACt0JDHg67aTno6RqqOJhp0". A blob
// that names no type gives the fingerprint alone.
std::string SshKeyFingerprint(std::string_view blob);

}  // namespace tavex
