#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace tavex {

// rw-r-----: what a DurableFile gets unless told otherwise.
inline constexpr mode_t kDurableFilePermissions = 0640;

// A file written under a temporary name in the folder of its final path.
// Commit() puts the data on the disk, renames the file into place and puts
// the folder's entry on the disk; if the object goes away uncommitted, the
// temporary file is removed. So a reader never sees half a file, a failed
// write leaves nothing behind, and a crash or a power cut leaves the old or
// the new whole file. Failures raise std::runtime_error naming the file and
// the system's reason.
class DurableFile {
 public:
  // The finished file gets exactly `permissions`, whatever the umask (the
  // temporary one is private). By default the owner reads and writes and
  // the owner's group reads (the site's runs and its host application may
  // be different users of one group); others get nothing, since the files
  // hold business and member data.
  explicit DurableFile(std::string finalPath, mode_t permissions = kDurableFilePermissions);
  ~DurableFile();
  DurableFile(const DurableFile&) = delete;
  DurableFile& operator=(const DurableFile&) = delete;

  // For a writer that opens the file by name itself (a database library);
  // what it writes there is committed like the rest.
  const std::string& TemporaryPath() const { return mTempPath; }
  // For a writer that takes a stream (a transfer library).
  std::FILE* Stream() const { return mFile.get(); }

  void Write(const void* data, std::size_t size);
  // Writes over bytes written before, from `offset` on; later writes go on
  // at the end.
  void WriteAt(long offset, const void* data, std::size_t size);
  // Empties the file, to write it again from the start.
  void Restart();
  // Flushes, closes and renames the file to its final path, durably.
  void Commit();
  // Closes and renames the file to its final path without waiting for the
  // disk: for a working file that is made again from its source whenever
  // it is needed, which a reader still never sees half written.
  void CommitUnsynced();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  std::string mFinalPath;
  std::string mTempPath;
  void Close(bool sync);
  void Rename();

  std::unique_ptr<std::FILE, FileCloser> mFile;
  bool mCommitted = false;
};

// Removes what DurableFiles for `finalPath` left behind uncommitted when
// their process died (a power cut, a kill): the temporary files beside it.
// Only for a path no other process is writing.
void RemoveUncommitted(const std::string& finalPath);

// Copies `from` to `to`, replacing `to` when it exists; the copy gets
// kDurableFilePermissions.
void CopyFileDurably(const std::string& from, const std::string& to);

// Gives the file `from` the second name `to` (a hard link: nothing is
// written again), or copies it where that cannot be (another file system);
// `to` is replaced when it exists. Neither name may be written through
// afterwards. LinkOrCopyDurably returns with the new name on the disk, for
// a file whose data already is; LinkOrCopy makes a working copy, whose
// name may not outlive a crash.
void LinkOrCopyDurably(const std::string& from, const std::string& to);
void LinkOrCopy(const std::string& from, const std::string& to);

// Writes `contents` as the whole file `path`, replacing it when it exists.
void WriteFileDurably(const std::string& path, const std::string& contents,
                      mode_t permissions = kDurableFilePermissions);

// Removes `path`; a file that is already gone is not a failure.
void RemoveFile(const std::string& path);

}  // namespace tavex
