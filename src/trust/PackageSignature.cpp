#include "trust/PackageSignature.h"

#include <sodium.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/FSComprFile.h"
#include "framework/PluginFolder.h"
#include "storage/DurableFile.h"
#include "trust/PackageName.h"

namespace tavex::trust {

namespace {

constexpr std::string_view kFirstLine = "tavex-signed-package 1";
// A signature frame is a few hundred bytes; anything much larger is not one.
constexpr std::uint32_t kMaxFrameContent = 4096;
// The frames this system writes are all of one size, their content padded
// with zero bytes: the export reserves the room ahead of the data frame
// before it knows the signature, and writes the file once.
constexpr std::size_t kFrameSize = 1024;
constexpr std::size_t kDigestSize = crypto_generichash_BYTES_MAX;
constexpr std::size_t kChunk = 1 << 16;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenForReading(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) throw std::runtime_error("cannot read " + path);
  return file;
}

std::uint32_t LittleEndian(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool IsSignatureMagic(const unsigned char* bytes) {
  return LittleEndian(bytes) == engine::FSComprFile::kSignatureFrameMagic;
}

// The frame's fields as they are signed: every line but the signature's.
std::string SignedText(const SignedPackage& package) {
  return std::string(kFirstLine) + "\nsigner " + package.signer + "\nsender " + package.sender +
         "\nkind " + KindName(package.kind) + "\nsequence " + std::to_string(package.sequence) +
         "\n";
}

// A site identifier as a frame line may hold it.
bool IsFieldText(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

// The number of bytes ahead of the data frame of the open `file`: the
// signature frame's when there is one, else 0.
long DataOffset(std::FILE* file) {
  unsigned char head[8];
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  if (got < 8 || !IsSignatureMagic(head)) return 0;
  return 8 + static_cast<long>(LittleEndian(head + 4));
}

// The BLAKE2b digest of every byte of `file` from `offset` on: the data
// frame, which the signature covers through it.
using Digest = std::array<unsigned char, kDigestSize>;
Digest DataDigest(std::FILE* file, long offset, const std::string& path) {
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, kDigestSize);
  if (std::fseek(file, offset, SEEK_SET) != 0) throw std::runtime_error("cannot read " + path);
  std::vector<unsigned char> chunk(kChunk);
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    if (got > 0) crypto_generichash_update(&state, chunk.data(), got);
    if (got < chunk.size()) break;
  }
  if (std::ferror(file)) throw std::runtime_error("cannot read " + path);
  Digest digest;
  crypto_generichash_final(&state, digest.data(), digest.size());
  return digest;
}

// What the signature is over: the frame's fields and the data's digest.
std::string SignedMessage(const SignedPackage& package, const Digest& digest) {
  return SignedText(package) + std::string(digest.begin(), digest.end());
}

void InitSodium() {
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot be initialised");
}

}  // namespace

std::string KindName(PackageKind kind) {
  switch (kind) {
    case PackageKind::Reports:
      return "reports";
    case PackageKind::Members:
      return "members";
    case PackageKind::MemberBundle:
      return "member-bundle";
    case PackageKind::Backup:
      return "backup";
    case PackageKind::Bills:
      break;
  }
  return "bills";
}

namespace {

// The whole signature frame of `package` signed by `key` over `digest`:
// magic, size and the padded content, kFrameSize bytes.
std::string SignatureFrame(SignedPackage& package, const SiteKey& key, const Digest& digest) {
  InitSodium();
  const std::string message = SignedMessage(package, digest);
  crypto_sign_detached(package.signature.data(), nullptr,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                       key.Secret().data());
  std::string encoded(
      sodium_base64_ENCODED_LEN(package.signature.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(encoded.data(), encoded.size(), package.signature.data(),
                    package.signature.size(), sodium_base64_VARIANT_ORIGINAL);
  encoded.resize(encoded.find('\0'));
  std::string content = SignedText(package) + "signature " + encoded + "\n";
  if (content.size() > kFrameSize - 8) {
    throw std::runtime_error("site identifiers too long to sign: " + package.signer + ", " +
                             package.sender);
  }
  content.resize(kFrameSize - 8, '\0');
  const auto size = static_cast<std::uint32_t>(content.size());
  const std::uint32_t magic = engine::FSComprFile::kSignatureFrameMagic;
  std::string frame;
  for (const std::uint32_t word : {magic, size}) {
    for (int shift = 0; shift < 32; shift += 8) frame.push_back(static_cast<char>(word >> shift));
  }
  return frame + content;
}

// Signs the data frame as the compression writes it, and gives the frame
// that goes ahead of it; the number is reserved only once the data is
// whole, so a compression that fails spends none.
class OwnPackageSigner : public engine::FrameAhead {
 public:
  OwnPackageSigner(SiteKey key, SignedPackage package, std::string folder)
      : mKey(std::move(key)), mPackage(std::move(package)), mFolder(std::move(folder)) {
    InitSodium();
    crypto_generichash_init(&mState, nullptr, 0, kDigestSize);
  }
  std::size_t Size() const override { return kFrameSize; }
  void Update(const void* data, std::size_t size) override {
    crypto_generichash_update(&mState, static_cast<const unsigned char*>(data), size);
  }
  std::string Finish() override {
    Digest digest;
    crypto_generichash_final(&mState, digest.data(), digest.size());
    mPackage.sequence = ReserveSequence(mFolder);
    return SignatureFrame(mPackage, mKey, digest);
  }

 private:
  SiteKey mKey;
  SignedPackage mPackage;
  std::string mFolder;
  crypto_generichash_state mState;
};

}  // namespace

void SignPackageFile(const std::string& packageFile, const SiteKey& key, SignedPackage package,
                     const std::string& signedFile) {
  FilePtr source = OpenForReading(packageFile);
  const long offset = DataOffset(source.get());
  const std::string frame =
      SignatureFrame(package, key, DataDigest(source.get(), offset, packageFile));

  DurableFile target(signedFile.empty() ? packageFile : signedFile);
  target.Write(frame.data(), frame.size());
  if (std::fseek(source.get(), offset, SEEK_SET) != 0) {
    throw std::runtime_error("cannot read " + packageFile);
  }
  std::vector<unsigned char> chunk(kChunk);
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), source.get());
    target.Write(chunk.data(), got);
    if (got < chunk.size()) break;
  }
  if (std::ferror(source.get())) throw std::runtime_error("cannot read " + packageFile);
  target.Commit();
}

std::unique_ptr<engine::FrameAhead> SignerOfOwnPackage(const std::string& packageFile,
                                                       const std::string& site) {
  const std::string folder = PluginFolder();
  std::optional<SiteKey> key = SiteKey::Load(folder);
  if (!key) return nullptr;
  const std::optional<PackageName> name =
      ReadPackageName(std::filesystem::path(packageFile).filename().string());
  SignedPackage package;
  package.signer = site;
  package.sender = site;
  package.kind = name ? name->kind : PackageKind::Bills;
  return std::make_unique<OwnPackageSigner>(std::move(*key), std::move(package), folder);
}

std::optional<SignedPackage> ReadSignature(const std::string& packageFile) {
  FilePtr file = OpenForReading(packageFile);
  unsigned char head[8];
  if (std::fread(head, 1, sizeof head, file.get()) < sizeof head || !IsSignatureMagic(head)) {
    return std::nullopt;
  }
  const std::uint32_t size = LittleEndian(head + 4);
  if (size > kMaxFrameContent) throw SignatureError("signature frame too large");
  std::string content(size, '\0');
  if (std::fread(content.data(), 1, size, file.get()) < size) {
    throw SignatureError("signature frame cut short");
  }
  // The fields in their fixed order, each on its own line, then nothing but
  // the zero bytes that pad the frame.
  const std::size_t padding = content.find_last_not_of('\0');
  content.resize(padding == std::string::npos ? 0 : padding + 1);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < content.size();) {
    const std::size_t end = content.find('\n', at);
    if (end == std::string::npos) throw SignatureError("signature frame without its last line");
    lines.push_back(content.substr(at, end - at));
    at = end + 1;
  }
  const auto field = [&](std::size_t index, std::string_view name) {
    if (index >= lines.size() || !lines[index].starts_with(std::string(name) + " ")) {
      throw SignatureError("signature frame without its field " + std::string(name));
    }
    return lines[index].substr(name.size() + 1);
  };
  if (lines.size() != 6 || lines[0] != kFirstLine) throw SignatureError("unknown signature frame");
  SignedPackage package;
  package.signer = field(1, "signer");
  package.sender = field(2, "sender");
  if (!IsFieldText(package.signer) || !IsFieldText(package.sender)) {
    throw SignatureError("signature frame with a bad site identifier");
  }
  const std::string kind = field(3, "kind");
  bool known = false;
  for (const PackageKind candidate : {PackageKind::Bills, PackageKind::Reports,
                                      PackageKind::Members, PackageKind::MemberBundle}) {
    if (kind == KindName(candidate)) {
      package.kind = candidate;
      known = true;
    }
  }
  if (!known) throw SignatureError("signature frame with an unknown kind " + kind);
  const std::string sequence = field(4, "sequence");
  const auto [end, error] =
      std::from_chars(sequence.data(), sequence.data() + sequence.size(), package.sequence);
  if (error != std::errc() || end != sequence.data() + sequence.size() || package.sequence == 0) {
    throw SignatureError("signature frame with a bad sequence number");
  }
  const std::string encoded = field(5, "signature");
  std::size_t length = 0;
  InitSodium();
  if (sodium_base642bin(package.signature.data(), package.signature.size(), encoded.data(),
                        encoded.size(), nullptr, &length, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      length != package.signature.size()) {
    throw SignatureError("signature frame with a bad signature");
  }
  return package;
}

bool VerifySignature(const std::string& packageFile, const SignedPackage& package,
                     const PublicKey& key) {
  InitSodium();
  FilePtr file = OpenForReading(packageFile);
  const long offset = DataOffset(file.get());
  if (offset == 0) return false;
  const std::string message = SignedMessage(package, DataDigest(file.get(), offset, packageFile));
  return crypto_sign_verify_detached(package.signature.data(),
                                     reinterpret_cast<const unsigned char*>(message.data()),
                                     message.size(), key.bytes.data()) == 0;
}

}  // namespace tavex::trust
