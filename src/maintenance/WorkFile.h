#pragma once

#include <string>

namespace tavex {

// A private working file of one run (an unpacked package, a backup's
// working database): a file in a fresh folder of its own under the system's
// temporary folder, so a run never writes beside the user's files (a file of
// the same base name there stays as it is) and the user's folder names do
// not matter. The folder and whatever is in it go away with the object, on
// every path out of the run. Raises std::runtime_error (or
// std::filesystem::filesystem_error) when the folder cannot be made.
class WorkFile {
 public:
  // `name` is the file's name inside the private folder.
  explicit WorkFile(const std::string& name);
  ~WorkFile();
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;

  // The working file's path (not yet existing).
  const std::string& Path() const { return mPath; }

 private:
  std::string mFolder;
  std::string mPath;
};

}  // namespace tavex
