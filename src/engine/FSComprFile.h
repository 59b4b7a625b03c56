#pragma once

#include <string>

namespace tavex::engine {

// The compression control for package files. A package file is one zstd frame
// that records the original size and a checksum of the content, so a damaged,
// truncated or foreign file is told apart from a sound one before anything
// reaches the caller. Both operations stream: files larger than memory pass
// through a fixed buffer. The target is written under a temporary name in its
// own folder and renamed only when complete, so a failed operation leaves no
// target file (and leaves an existing file at that path untouched).
class FSComprFile {
 public:
  // ErrorCode values; 0 means the last operation succeeded.
  static constexpr int kNoError = 0;
  static constexpr int kSourceUnreadable = 1;
  static constexpr int kTargetUnwritable = 2;
  static constexpr int kNotAPackageFile = 3;
  static constexpr int kDamaged = 4;

  void SourceFile(std::string path) { mSourceFile = std::move(path); }
  const std::string& SourceFile() const { return mSourceFile; }
  void TargetFile(std::string path) { mTargetFile = std::move(path); }
  const std::string& TargetFile() const { return mTargetFile; }

  // Compresses SourceFile into TargetFile.
  void Compress();
  // Restores the file that SourceFile holds into TargetFile, byte for byte.
  void Decompress();

  int ErrorCode() const { return mErrorCode; }

 private:
  std::string mSourceFile;
  std::string mTargetFile;
  int mErrorCode = kNoError;
};

}  // namespace tavex::engine
