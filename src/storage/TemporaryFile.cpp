#include "storage/TemporaryFile.h"

#include <filesystem>
#include <system_error>

namespace tavex {

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    Remove();
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
