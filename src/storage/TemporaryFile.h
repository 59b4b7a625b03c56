#pragma once

#include <string>

namespace tavex {

// A file a run makes for itself (a package on its way, a work copy), which
// nobody needs once the run is done: removed when its owner goes, whatever
// way the run ends. A file already gone is no failure, and a failure to
// remove it is ignored (the temporary folder's sweep takes what is left).
// Move-only: the code that makes the file returns it, and whoever holds it
// last removes it.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  explicit TemporaryFile(std::string path) : mPath(std::move(path)) {}
  TemporaryFile(TemporaryFile&& other) noexcept : mPath(std::move(other.mPath)) {
    other.mPath.clear();
  }
  TemporaryFile& operator=(TemporaryFile&& other) noexcept;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { Remove(); }

  const std::string& Path() const { return mPath; }
  // Removes the file now; the object then holds none.
  void Remove() noexcept;

 private:
  std::string mPath;
};

}  // namespace tavex
