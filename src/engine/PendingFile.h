#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace tavex::engine {

// A file being written under a temporary name beside its final path. Commit()
// flushes it to the disk, renames it into place and flushes the folder; if
// the object goes away uncommitted, the temporary file is removed. So a
// reader never sees half a file, a failed write leaves nothing behind, and a
// crash or power cut leaves the old or the new whole file. Failures raise
// std::runtime_error naming the file and the system's reason.
class PendingFile {
 public:
  explicit PendingFile(std::string finalPath);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  void Write(const void* data, std::size_t size);
  // Flushes, closes and renames the file to its final path, durably.
  void Commit();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  std::string mFinalPath;
  std::string mTempPath;
  std::unique_ptr<std::FILE, FileCloser> mFile;
  bool mCommitted = false;
};

}  // namespace tavex::engine
