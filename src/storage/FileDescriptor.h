#pragma once

#include <unistd.h>

namespace tavex {

// Owns a file descriptor (negative: none) and closes it when it goes away.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : mFd(fd) {}
  ~FileDescriptor() {
    if (mFd >= 0) ::close(mFd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return mFd; }
  // Gives up ownership without closing.
  int Release() {
    const int fd = mFd;
    mFd = -1;
    return fd;
  }

 private:
  int mFd;
};

}  // namespace tavex
