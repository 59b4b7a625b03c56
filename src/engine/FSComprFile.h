#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace tavex::engine {

// The compression control for package files. A package file is one zstd frame
// that records the original size and a checksum of the content, so a damaged,
// truncated or foreign file is told apart from a sound one before anything
// reaches the caller. A signed package carries its signature ahead of that
// frame, in one zstd skippable frame of its own magic, which Decompress
// passes over (and the `zstd` command skips); no other frame is accepted. Both operations stream:
// files larger than memory pass through a fixed buffer. The target is written under a temporary
// name in its own folder and renamed only when complete, so a failed operation leaves no target
// file (and leaves an existing file at that path untouched).
// A frame that goes ahead of the data frame and is made from the data
// frame's bytes (a signature): Compress reserves Size() bytes at the start
// of the file, shows Update every byte of the data frame as it is written,
// and puts what Finish returns (exactly Size() bytes) into the reserved
// ones before the file is committed; so the file is written once. A
// failure of Finish (a std::runtime_error) leaves no file and is raised
// from Compress.
class FrameAhead {
 public:
  virtual ~FrameAhead() = default;
  virtual std::size_t Size() const = 0;
  virtual void Update(const void* data, std::size_t size) = 0;
  virtual std::string Finish() = 0;
};

class FSComprFile {
 public:
  // ErrorCode values; 0 means the last operation succeeded.
  static constexpr int kNoError = 0;
  static constexpr int kSourceUnreadable = 1;
  static constexpr int kTargetUnwritable = 2;
  static constexpr int kNotAPackageFile = 3;
  static constexpr int kDamaged = 4;
  // The package is larger than the limit of Limits (refused for what it is).
  static constexpr int kTooLarge = 5;
  // The target's folder has too little free space for it (this machine's lack).
  static constexpr int kNoSpace = 6;

  // The magic of the signature frame a signed package may start with.
  static constexpr unsigned kSignatureFrameMagic = 0x184D2A5D;
  // The largest signature frame's content, in bytes.
  static constexpr unsigned kMaxSignatureFrame = 4096;

  void SourceFile(std::string path) { mSourceFile = std::move(path); }
  const std::string& SourceFile() const { return mSourceFile; }
  void TargetFile(std::string path) { mTargetFile = std::move(path); }
  const std::string& TargetFile() const { return mTargetFile; }

  // Compresses SourceFile into TargetFile, with `ahead`'s frame ahead of
  // the data frame when given.
  void Compress(FrameAhead* ahead = nullptr);
  // Restores the file that SourceFile holds into TargetFile, byte for byte.
  // The size the frame declares is the most it writes: a frame that holds
  // more is damaged.
  void Decompress();

  // The bounds of every later Decompress: a file that declares more than
  // `maxBytes` is not unpacked (kTooLarge), nor one that would leave less
  // than `reserveBytes` free in the target's folder (kNoSpace); either way
  // before a byte is written. Unbounded until called.
  void Limits(std::uint64_t maxBytes, std::uint64_t reserveBytes) {
    mMaxBytes = maxBytes;
    mReserveBytes = reserveBytes;
  }
  // The size the last Decompress found declared; 0 before one read it.
  std::uint64_t DeclaredSize() const { return mDeclaredSize; }

  int ErrorCode() const { return mErrorCode; }

 private:
  std::string mSourceFile;
  std::string mTargetFile;
  int mErrorCode = kNoError;
  std::uint64_t mMaxBytes = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t mReserveBytes = 0;
  std::uint64_t mDeclaredSize = 0;
};

}  // namespace tavex::engine
