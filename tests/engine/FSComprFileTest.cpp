#include <gtest/gtest.h>
#include <zstd.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "engine/FSComprFile.h"
#include "support/PackageFiles.h"
#include "support/TempDir.h"

namespace tavex::engine {
namespace {

namespace fs = std::filesystem;

class CompressionControl : public ::testing::Test {
 protected:
  // Bytes that look like a database page: runs of text and of noise.
  static std::string SampleBytes(std::size_t size) {
    std::mt19937 random(42);
    std::string bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
      bytes += "BillID=B01-000123;MenuName=\xe7\x82\x92\xe9\xa5\xad;";
      for (int i = 0; i < 40 && bytes.size() < size; ++i) bytes += static_cast<char>(random());
    }
    bytes.resize(size);
    return bytes;
  }

  // Compresses `contents` into a package file and returns its bytes.
  std::string PackageOf(const std::string& contents) {
    test::WriteFile(mDir / "in.mdb", contents);
    EXPECT_EQ(0, test::Pack(mDir / "in.mdb", mDir / "in.pkg"));
    return test::ReadFile(mDir / "in.pkg");
  }

  // Decompressing `pkgBytes` must fail with `expected` and leave no file
  // named out.mdb and no temporary file behind.
  void ExpectRejected(const std::string& pkgBytes, int expected) {
    test::WriteFile(mDir / "bad.pkg", pkgBytes);
    EXPECT_EQ(expected, test::Unpack(mDir / "bad.pkg", mDir / "out.mdb"));
    EXPECT_FALSE(fs::exists(mDir / "out.mdb"));
    ExpectNoTemporaryFile();
  }
  void ExpectNoTemporaryFile() const {
    for (const auto& entry : fs::directory_iterator(mDir.Path())) {
      EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp-")) << entry.path();
    }
  }

  test::TempDir mDir;
};

TEST_F(CompressionControl, RoundTripsByteForByteAcrossSizes) {
  // Empty, smaller than one buffer, and several buffers long.
  for (std::size_t size : {std::size_t{0}, std::size_t{1000}, std::size_t{3} << 20}) {
    const std::string original = SampleBytes(size);
    test::WriteFile(mDir / "a.mdb", original);
    ASSERT_EQ(0, test::Pack(mDir / "a.mdb", mDir / "a.pkg")) << size;
    ASSERT_EQ(0, test::Unpack(mDir / "a.pkg", mDir / "b.mdb")) << size;
    EXPECT_EQ(original, test::ReadFile(mDir / "b.mdb")) << size;
  }
}

TEST_F(CompressionControl, WritesOneFrameWithContentSizeAndChecksum) {
  const std::string original = SampleBytes(200000);
  const std::string pkg = PackageOf(original);
  EXPECT_EQ(original.size(), ZSTD_getFrameContentSize(pkg.data(), pkg.size()));
  EXPECT_EQ(pkg.size(), ZSTD_findFrameCompressedSize(pkg.data(), pkg.size()));
  EXPECT_LT(pkg.size(), original.size());
  // The checksum flag of the frame header descriptor.
  EXPECT_NE(0, static_cast<unsigned char>(pkg[4]) & 0x04);
}

TEST_F(CompressionControl, DamagedTruncatedAndExtendedFilesLeaveNoTarget) {
  const std::string pkg = PackageOf(SampleBytes(300000));

  std::string flipped = pkg;
  flipped[flipped.size() / 2] ^= 0x5A;
  ExpectRejected(flipped, FSComprFile::kDamaged);

  std::string badChecksum = pkg;
  badChecksum[badChecksum.size() - 1] ^= 0x01;
  ExpectRejected(badChecksum, FSComprFile::kDamaged);

  ExpectRejected(pkg.substr(0, pkg.size() - 10), FSComprFile::kDamaged);
  ExpectRejected(pkg.substr(0, 6), FSComprFile::kDamaged);
  ExpectRejected(pkg + pkg, FSComprFile::kDamaged);
  ExpectRejected(pkg + "trailing", FSComprFile::kDamaged);
}

// A frame made from the data frame's bytes (as a signature is) goes ahead
// of it in the one file written; one that cannot be made leaves no file.
TEST_F(CompressionControl, AFrameAheadSeesTheDataFrameAndIsWrittenBeforeIt) {
  struct Recorder : FrameAhead {
    std::size_t Size() const override { return 16; }
    void Update(const void* data, std::size_t size) override {
      seen.append(static_cast<const char*>(data), size);
    }
    std::string Finish() override {
      if (fail) throw std::runtime_error("no number");
      // A skippable frame of 8 bytes of content: the data frame's size.
      std::string frame("\x5d\x2a\x4d\x18\x08\x00\x00\x00", 8);
      return frame + std::string(8 - std::to_string(seen.size()).size(), ' ') +
             std::to_string(seen.size());
    }
    std::string seen;
    bool fail = false;
  };
  const std::string original = SampleBytes(300000);
  test::WriteFile(mDir / "a.mdb", original);
  FSComprFile control;
  control.SourceFile(mDir / "a.mdb");
  control.TargetFile(mDir / "a.pkg");
  Recorder recorder;
  control.Compress(&recorder);
  ASSERT_EQ(0, control.ErrorCode());
  const std::string pkg = test::ReadFile(mDir / "a.pkg");
  ASSERT_EQ(16 + recorder.seen.size(), pkg.size());
  EXPECT_EQ(recorder.seen, pkg.substr(16));
  EXPECT_EQ(std::to_string(recorder.seen.size()),
            pkg.substr(8, 8).substr(pkg.substr(8, 8).find_first_not_of(' ')));
  ASSERT_EQ(0, test::Unpack(mDir / "a.pkg", mDir / "b.mdb"));
  EXPECT_EQ(original, test::ReadFile(mDir / "b.mdb"));

  Recorder failing;
  failing.fail = true;
  control.TargetFile(mDir / "c.pkg");
  EXPECT_THROW(control.Compress(&failing), std::runtime_error);
  EXPECT_FALSE(fs::exists(mDir / "c.pkg"));
  ExpectNoTemporaryFile();
}

TEST_F(CompressionControl, ForeignFilesAreNotPackages) {
  ExpectRejected("", FSComprFile::kNotAPackageFile);
  ExpectRejected("SQLite format 3", FSComprFile::kNotAPackageFile);
  ExpectRejected(SampleBytes(5000), FSComprFile::kNotAPackageFile);

  // A zstd frame that records neither size nor checksum is not one we wrote.
  const std::string content = SampleBytes(5000);
  std::string bare(ZSTD_compressBound(content.size()), '\0');
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_contentSizeFlag, 0);
  const std::size_t size =
      ZSTD_compress2(context, bare.data(), bare.size(), content.data(), content.size());
  ZSTD_freeCCtx(context);
  ASSERT_FALSE(ZSTD_isError(size));
  bare.resize(size);
  ExpectRejected(bare, FSComprFile::kNotAPackageFile);
}

TEST_F(CompressionControl, FailedDecompressKeepsAnExistingTarget) {
  test::WriteFile(mDir / "out.mdb", "earlier");
  test::WriteFile(mDir / "bad.pkg", "not a package");
  EXPECT_NE(0, test::Unpack(mDir / "bad.pkg", mDir / "out.mdb"));
  EXPECT_EQ("earlier", test::ReadFile(mDir / "out.mdb"));
}

TEST_F(CompressionControl, MissingSourceAndUnwritableTargetAreReported) {
  EXPECT_EQ(FSComprFile::kSourceUnreadable, test::Pack(mDir / "none.mdb", mDir / "x.pkg"));
  EXPECT_FALSE(fs::exists(mDir / "x.pkg"));
  EXPECT_EQ(FSComprFile::kSourceUnreadable, test::Unpack(mDir / "none.pkg", mDir / "x.mdb"));

  test::WriteFile(mDir / "a.mdb", "data");
  EXPECT_EQ(FSComprFile::kTargetUnwritable, test::Pack(mDir / "a.mdb", mDir / "no/such/x.pkg"));
  // A control reused after a failure reports the new outcome.
  FSComprFile control;
  control.SourceFile(mDir / "none.mdb");
  control.TargetFile(mDir / "x.pkg");
  control.Compress();
  EXPECT_NE(0, control.ErrorCode());
  control.SourceFile(mDir / "a.mdb");
  control.Compress();
  EXPECT_EQ(0, control.ErrorCode());
  EXPECT_TRUE(fs::exists(mDir / "x.pkg"));
}

}  // namespace
}  // namespace tavex::engine
