#pragma once

#include <string>

namespace tavex {

// The working copy a restore unpacks a package into: a file in a fresh
// folder of its own under the system's temporary folder, so the run never
// writes beside the package (a file of the same base name there stays as it
// is) and the package's folder name does not matter. The folder and whatever
// is in it go away with the object. Raises std::runtime_error (or
// std::filesystem::filesystem_error) when the folder cannot be made.
class RestoreWorkFile {
 public:
  RestoreWorkFile();
  ~RestoreWorkFile();
  RestoreWorkFile(const RestoreWorkFile&) = delete;
  RestoreWorkFile& operator=(const RestoreWorkFile&) = delete;

  // The unpacked package database's path (not yet existing).
  const std::string& Path() const { return mPath; }

 private:
  std::string mFolder;
  std::string mPath;
};

}  // namespace tavex
