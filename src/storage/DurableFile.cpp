#include "storage/DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "storage/FileDescriptor.h"

namespace tavex {

namespace {

// A DurableFile's temporary name: its final path, this, and the characters
// mkstemp puts in place of the X's.
constexpr std::string_view kTemporarySuffix = ".tmp-";
constexpr std::string_view kRandomPart = "XXXXXX";

std::runtime_error SystemFailure(const std::string& what, const std::string& path) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

std::string FolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

// The rename itself lasts only once the folder's entry is on the disk.
void SyncFolderOf(const std::string& path) {
  const std::string folder = FolderOf(path);
  const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0 || ::fsync(fd.Get()) != 0) throw SystemFailure("cannot flush", folder);
}

}  // namespace

DurableFile::DurableFile(std::string finalPath, mode_t permissions)
    : mFinalPath(std::move(finalPath)) {
  const std::string pattern = mFinalPath + std::string(kTemporarySuffix) + std::string(kRandomPart);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.Get() < 0) throw SystemFailure("cannot create", pattern);
  mTempPath = name.data();
  // mkstemp makes the file private to its owner; the finished file may be
  // meant for the group to read. fchmod sets the bits as given: the umask
  // plays no part.
  if (::fchmod(fd.Get(), permissions) == 0) mFile.reset(::fdopen(fd.Get(), "w+b"));
  if (!mFile) {
    const int error = errno;
    std::remove(mTempPath.c_str());
    errno = error;
    throw SystemFailure("cannot open", mTempPath);
  }
  fd.Release();
}

DurableFile::~DurableFile() {
  if (mCommitted) return;
  mFile.reset();
  std::remove(mTempPath.c_str());
}

void DurableFile::Write(const void* data, std::size_t size) {
  if (size == 0) return;
  if (std::fwrite(data, 1, size, mFile.get()) != size) {
    throw SystemFailure("cannot write", mTempPath);
  }
}

void DurableFile::WriteAt(long offset, const void* data, std::size_t size) {
  if (std::fseek(mFile.get(), offset, SEEK_SET) != 0)
    throw SystemFailure("cannot write", mTempPath);
  Write(data, size);
  if (std::fseek(mFile.get(), 0, SEEK_END) != 0) throw SystemFailure("cannot write", mTempPath);
}

void DurableFile::Restart() {
  if (std::fflush(mFile.get()) != 0 || ::ftruncate(::fileno(mFile.get()), 0) != 0 ||
      std::fseek(mFile.get(), 0, SEEK_SET) != 0) {
    throw SystemFailure("cannot empty", mTempPath);
  }
}

void DurableFile::Commit() {
  // A power cut after the rename must find the whole new file, not an empty
  // one: the data reaches the disk before the name does.
  Close(true);
  Rename();
  SyncFolderOf(mFinalPath);
}

void DurableFile::CommitUnsynced() {
  Close(false);
  Rename();
}

void DurableFile::Close(bool sync) {
  if (std::fflush(mFile.get()) != 0 || (sync && ::fsync(::fileno(mFile.get())) != 0)) {
    throw SystemFailure("cannot write", mTempPath);
  }
  if (std::fclose(mFile.release()) != 0) throw SystemFailure("cannot close", mTempPath);
}

void DurableFile::Rename() {
  if (std::rename(mTempPath.c_str(), mFinalPath.c_str()) != 0) {
    throw SystemFailure("cannot rename to", mFinalPath);
  }
  mCommitted = true;
}

void RemoveUncommitted(const std::string& finalPath) {
  const std::string prefix =
      std::filesystem::path(finalPath).filename().string() + std::string(kTemporarySuffix);
  for (const auto& entry : std::filesystem::directory_iterator(FolderOf(finalPath))) {
    const std::string name = entry.path().filename().string();
    if (name.size() == prefix.size() + kRandomPart.size() &&
        name.compare(0, prefix.size(), prefix) == 0) {
      std::filesystem::remove(entry.path());
    }
  }
}

void CopyFileDurably(const std::string& from, const std::string& to) {
  std::ifstream source(from, std::ios::binary);
  if (!source) throw SystemFailure("cannot open", from);
  DurableFile target(to);
  std::vector<char> buffer(1 << 16);
  while (source) {
    source.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    target.Write(buffer.data(), static_cast<std::size_t>(source.gcount()));
  }
  if (source.bad()) throw SystemFailure("cannot read", from);
  target.Commit();
}

namespace {

// Gives `from` the second name `to`, replacing a file of that name.
bool Linked(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EEXIST) return false;
  RemoveFile(to);
  return ::link(from.c_str(), to.c_str()) == 0;
}

}  // namespace

void LinkOrCopyDurably(const std::string& from, const std::string& to) {
  if (!Linked(from, to)) return CopyFileDurably(from, to);
  SyncFolderOf(to);
}

void LinkOrCopy(const std::string& from, const std::string& to) {
  if (!Linked(from, to)) CopyFileDurably(from, to);
}

void WriteFileDurably(const std::string& path, const std::string& contents, mode_t permissions) {
  DurableFile file(path, permissions);
  file.Write(contents.data(), contents.size());
  file.Commit();
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw SystemFailure("cannot delete", path);
}

}  // namespace tavex
