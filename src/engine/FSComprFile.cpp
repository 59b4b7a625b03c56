#include "engine/FSComprFile.h"

#include <sys/statvfs.h>
#include <zstd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include "storage/DurableFile.h"

namespace tavex::engine {

namespace {

constexpr int kCompressionLevel = 3;

// Carries an ErrorCode value out of the streaming loops.
struct Failure {
  int code;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct CCtxFree {
  void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};
struct DCtxFree {
  void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

FilePtr OpenSource(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) throw Failure{FSComprFile::kSourceUnreadable};
  return file;
}

std::size_t ReadSome(std::FILE* file, std::vector<char>& buffer) {
  const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
  if (got < buffer.size() && std::ferror(file)) throw Failure{FSComprFile::kSourceUnreadable};
  return got;
}

std::unique_ptr<DurableFile> CreateTarget(const std::string& path) {
  try {
    return std::make_unique<DurableFile>(path);
  } catch (const std::runtime_error&) {
    throw Failure{FSComprFile::kTargetUnwritable};
  }
}

void WriteTarget(DurableFile& target, const void* data, std::size_t size) {
  try {
    target.Write(data, size);
  } catch (const std::runtime_error&) {
    throw Failure{FSComprFile::kTargetUnwritable};
  }
}

void CommitTarget(DurableFile& target, bool durably) {
  try {
    if (durably) {
      target.Commit();
    } else {
      target.CommitUnsynced();
    }
  } catch (const std::runtime_error&) {
    throw Failure{FSComprFile::kTargetUnwritable};
  }
}

void CompressFile(const std::string& sourcePath, const std::string& targetPath, FrameAhead* ahead) {
  FilePtr source = OpenSource(sourcePath);
  if (std::fseek(source.get(), 0, SEEK_END) != 0) throw Failure{FSComprFile::kSourceUnreadable};
  const long size = std::ftell(source.get());
  if (size < 0 || std::fseek(source.get(), 0, SEEK_SET) != 0) {
    throw Failure{FSComprFile::kSourceUnreadable};
  }

  std::unique_ptr<ZSTD_CCtx, CCtxFree> context(ZSTD_createCCtx());
  if (!context) throw Failure{FSComprFile::kTargetUnwritable};
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, kCompressionLevel);
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1);
  ZSTD_CCtx_setParameter(context.get(), ZSTD_c_contentSizeFlag, 1);
  // Declaring the size up front puts it into the frame header; a source that
  // changes size while it is read makes the frame fail instead of lying.
  ZSTD_CCtx_setPledgedSrcSize(context.get(), static_cast<unsigned long long>(size));

  std::unique_ptr<DurableFile> target = CreateTarget(targetPath);
  if (ahead != nullptr)
    WriteTarget(*target, std::string(ahead->Size(), '\0').data(), ahead->Size());
  std::vector<char> in(ZSTD_CStreamInSize());
  std::vector<char> out(ZSTD_CStreamOutSize());
  for (;;) {
    const std::size_t got = ReadSome(source.get(), in);
    const bool last = got < in.size();
    ZSTD_inBuffer input{in.data(), got, 0};
    const ZSTD_EndDirective mode = last ? ZSTD_e_end : ZSTD_e_continue;
    bool finished = false;
    while (!finished) {
      ZSTD_outBuffer output{out.data(), out.size(), 0};
      const std::size_t remaining = ZSTD_compressStream2(context.get(), &output, &input, mode);
      if (ZSTD_isError(remaining)) throw Failure{FSComprFile::kSourceUnreadable};
      WriteTarget(*target, out.data(), output.pos);
      if (ahead != nullptr) ahead->Update(out.data(), output.pos);
      finished = last ? remaining == 0 : input.pos == input.size;
    }
    if (last) break;
  }
  if (ahead != nullptr) {
    const std::string frame = ahead->Finish();
    if (frame.size() != ahead->Size()) throw std::logic_error("a frame ahead of the wrong size");
    try {
      target->WriteAt(0, frame.data(), frame.size());
    } catch (const std::runtime_error&) {
      throw Failure{FSComprFile::kTargetUnwritable};
    }
  }
  CommitTarget(*target, true);
}

// Reads the frame header and accepts only what Compress writes: one zstd
// frame (not a skippable one) that records its content size and carries a
// checksum. Returns the content size.
unsigned long long CheckFrameHeader(const std::vector<char>& head, std::size_t size) {
  static constexpr unsigned char kMagic[4] = {0x28, 0xB5, 0x2F, 0xFD};
  if (size < 4 || std::memcmp(head.data(), kMagic, 4) != 0) {
    throw Failure{FSComprFile::kNotAPackageFile};
  }
  if (size < 5) throw Failure{FSComprFile::kDamaged};
  const unsigned long long contentSize = ZSTD_getFrameContentSize(head.data(), size);
  if (contentSize == ZSTD_CONTENTSIZE_ERROR) throw Failure{FSComprFile::kDamaged};
  constexpr unsigned char kChecksumFlag = 0x04;  // bit 2 of the frame header descriptor
  const bool hasChecksum = (static_cast<unsigned char>(head[4]) & kChecksumFlag) != 0;
  if (contentSize == ZSTD_CONTENTSIZE_UNKNOWN || !hasChecksum) {
    throw Failure{FSComprFile::kNotAPackageFile};
  }
  return contentSize;
}

std::uint32_t LittleEndian32(const char* bytes) {
  const auto byte = [&](int i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]));
  };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

// The bytes free for this user in the folder of `path`.
std::uint64_t FreeBytes(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) throw Failure{FSComprFile::kTargetUnwritable};
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

// What a frame of `size` bytes may be unpacked into: refused above `maxBytes`,
// and not attempted when it would leave less than `reserveBytes` free.
void CheckRoom(unsigned long long size, const std::string& targetPath, std::uint64_t maxBytes,
               std::uint64_t reserveBytes) {
  if (size > maxBytes) throw Failure{FSComprFile::kTooLarge};
  const std::uint64_t free = FreeBytes(targetPath);
  if (free < reserveBytes || free - reserveBytes < size) throw Failure{FSComprFile::kNoSpace};
}

void DecompressFile(const std::string& sourcePath, const std::string& targetPath,
                    std::uint64_t maxBytes, std::uint64_t reserveBytes,
                    std::uint64_t& declaredSize) {
  FilePtr source = OpenSource(sourcePath);
  std::unique_ptr<ZSTD_DCtx, DCtxFree> context(ZSTD_createDCtx());
  if (!context) throw Failure{FSComprFile::kTargetUnwritable};

  std::vector<char> in(ZSTD_DStreamInSize());
  std::vector<char> out(ZSTD_DStreamOutSize());
  std::size_t got = ReadSome(source.get(), in);
  if (got >= 8 && LittleEndian32(in.data()) == FSComprFile::kSignatureFrameMagic) {
    // A signed package: its signature frame is the caller's; the data
    // frame follows it.
    const std::uint32_t frame = LittleEndian32(in.data() + 4);
    if (frame > FSComprFile::kMaxSignatureFrame ||
        std::fseek(source.get(), 8 + static_cast<long>(frame), SEEK_SET) != 0) {
      throw Failure{FSComprFile::kNotAPackageFile};
    }
    got = ReadSome(source.get(), in);
  }
  declaredSize = CheckFrameHeader(in, got);
  CheckRoom(declaredSize, targetPath, maxBytes, reserveBytes);

  std::unique_ptr<DurableFile> target = CreateTarget(targetPath);
  std::uint64_t written = 0;
  // Writes what the frame gave so far, never more than it declared.
  const auto write = [&](const ZSTD_outBuffer& output) {
    written += output.pos;
    if (written > declaredSize) throw Failure{FSComprFile::kDamaged};
    WriteTarget(*target, output.dst, output.pos);
  };
  bool frameDone = false;
  while (got > 0) {
    ZSTD_inBuffer input{in.data(), got, 0};
    while (input.pos < input.size) {
      // Anything after the end of the one frame is not ours.
      if (frameDone) throw Failure{FSComprFile::kDamaged};
      ZSTD_outBuffer output{out.data(), out.size(), 0};
      const std::size_t result = ZSTD_decompressStream(context.get(), &output, &input);
      if (ZSTD_isError(result)) throw Failure{FSComprFile::kDamaged};
      write(output);
      frameDone = result == 0;
    }
    got = ReadSome(source.get(), in);
  }
  // The input may end with decoded data still held back in the context.
  while (!frameDone) {
    ZSTD_inBuffer input{nullptr, 0, 0};
    ZSTD_outBuffer output{out.data(), out.size(), 0};
    const std::size_t result = ZSTD_decompressStream(context.get(), &output, &input);
    if (ZSTD_isError(result)) throw Failure{FSComprFile::kDamaged};
    write(output);
    if (result == 0) {
      frameDone = true;
    } else if (output.pos == 0) {
      throw Failure{FSComprFile::kDamaged};  // truncated: the frame never ends
    }
  }
  // What is unpacked is a working copy, unpacked again from the package
  // whenever it is needed: no run waits for the disk to keep it.
  CommitTarget(*target, false);
}

template <typename Operation>
int Run(Operation operation) {
  try {
    operation();
    return FSComprFile::kNoError;
  } catch (const Failure& failure) {
    return failure.code;
  } catch (const std::bad_alloc&) {
    return FSComprFile::kTargetUnwritable;
  }
}

}  // namespace

void FSComprFile::Compress(FrameAhead* ahead) {
  mErrorCode = Run([&] { CompressFile(mSourceFile, mTargetFile, ahead); });
}

void FSComprFile::Decompress() {
  mDeclaredSize = 0;
  mErrorCode = Run(
      [&] { DecompressFile(mSourceFile, mTargetFile, mMaxBytes, mReserveBytes, mDeclaredSize); });
}

}  // namespace tavex::engine
