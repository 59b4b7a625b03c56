#include "engine/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace tavex::engine {

namespace {

std::runtime_error SystemFailure(const std::string& what, const std::string& path) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// The rename itself lasts only once the folder's entry is on the disk.
void SyncFolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!synced) throw SystemFailure("cannot flush", folder);
}

}  // namespace

PendingFile::PendingFile(std::string finalPath) : mFinalPath(std::move(finalPath)) {
  std::string pattern = mFinalPath + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw SystemFailure("cannot create", pattern);
  mTempPath = name.data();
  // mkstemp creates the file private to its owner; a finished package file is
  // an ordinary document.
  ::fchmod(fd, 0644);
  mFile.reset(::fdopen(fd, "wb"));
  if (!mFile) {
    ::close(fd);
    std::remove(mTempPath.c_str());
    throw SystemFailure("cannot open", mTempPath);
  }
}

PendingFile::~PendingFile() {
  if (mCommitted) return;
  mFile.reset();
  std::remove(mTempPath.c_str());
}

void PendingFile::Write(const void* data, std::size_t size) {
  if (size == 0) return;
  if (std::fwrite(data, 1, size, mFile.get()) != size)
    throw SystemFailure("cannot write", mTempPath);
}

void PendingFile::Commit() {
  // A power cut after the rename must find the whole new file, not an empty
  // one: the data reaches the disk before the name does.
  if (std::fflush(mFile.get()) != 0 || ::fsync(::fileno(mFile.get())) != 0) {
    throw SystemFailure("cannot write", mTempPath);
  }
  if (std::fclose(mFile.release()) != 0) throw SystemFailure("cannot close", mTempPath);
  if (std::rename(mTempPath.c_str(), mFinalPath.c_str()) != 0) {
    throw SystemFailure("cannot rename to", mFinalPath);
  }
  mCommitted = true;
  SyncFolderOf(mFinalPath);
}

}  // namespace tavex::engine
