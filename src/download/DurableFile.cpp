#include "download/DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

namespace tavex {

namespace {

std::runtime_error SystemFailure(const std::string& what, const std::string& path) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// An open file descriptor, closed when the object goes away.
class Descriptor {
 public:
  explicit Descriptor(int fd) : mFd(fd) {}
  ~Descriptor() {
    if (mFd >= 0) ::close(mFd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return mFd; }
  // Closes now, so that a failing close is seen.
  bool Close() {
    const int fd = mFd;
    mFd = -1;
    return ::close(fd) == 0;
  }

 private:
  int mFd;
};

// A new file beside `finalPath` that is removed again unless Commit() moved
// it into place.
class DurableWriter {
 public:
  explicit DurableWriter(std::string finalPath) : mFinalPath(std::move(finalPath)) {
    std::string pattern = mFinalPath + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) throw SystemFailure("cannot create", pattern);
    mTempPath = name.data();
    mFile = std::make_unique<Descriptor>(fd);
    // mkstemp makes the file private to its owner; these are ordinary documents.
    ::fchmod(fd, 0644);
  }
  ~DurableWriter() {
    if (mCommitted) return;
    mFile.reset();
    ::unlink(mTempPath.c_str());
  }
  DurableWriter(const DurableWriter&) = delete;
  DurableWriter& operator=(const DurableWriter&) = delete;

  void Write(const char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t written = ::write(mFile->Get(), data, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw SystemFailure("cannot write", mTempPath);
      data += written;
      size -= static_cast<std::size_t>(written);
    }
  }

  void Commit() {
    if (::fsync(mFile->Get()) != 0) throw SystemFailure("cannot write", mTempPath);
    if (!mFile->Close()) throw SystemFailure("cannot close", mTempPath);
    if (::rename(mTempPath.c_str(), mFinalPath.c_str()) != 0) {
      throw SystemFailure("cannot rename to", mFinalPath);
    }
    mCommitted = true;
    SyncFolderOf(mFinalPath);
  }

 private:
  // The rename itself lasts only once the folder's entry is on the disk.
  static void SyncFolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0 || ::fsync(dir.Get()) != 0) throw SystemFailure("cannot flush", folder);
  }

  std::string mFinalPath;
  std::string mTempPath;
  std::unique_ptr<Descriptor> mFile;
  bool mCommitted = false;
};

}  // namespace

void CopyFileDurably(const std::string& from, const std::string& to) {
  Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (source.Get() < 0) throw SystemFailure("cannot open", from);
  DurableWriter target(to);
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t read = ::read(source.Get(), buffer.data(), buffer.size());
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) throw SystemFailure("cannot read", from);
    if (read == 0) break;
    target.Write(buffer.data(), static_cast<std::size_t>(read));
  }
  target.Commit();
}

void WriteFileDurably(const std::string& path, const std::string& contents) {
  DurableWriter file(path);
  file.Write(contents.data(), contents.size());
  file.Commit();
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw SystemFailure("cannot delete", path);
}

}  // namespace tavex
