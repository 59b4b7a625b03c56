#include "storage/TemporaryFile.h"

#include <filesystem>
#include <system_error>

namespace tavex {

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    // A run made again may make its file again under the same name: that is
    // the new file, not one to remove.
    if (mPath != other.mPath) Remove();
    mPath = std::move(other.mPath);
    other.mPath.clear();
  }
  return *this;
}

void TemporaryFile::Remove() noexcept {
  if (mPath.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(mPath, ignored);
  mPath.clear();
}

}  // namespace tavex
