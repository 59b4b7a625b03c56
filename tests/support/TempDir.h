#pragma once

#include <string>
#include <vector>

namespace tavex::test {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return mPath; }
  // Path() + "/" + name.
  std::string operator/(const std::string& name) const;

 private:
  std::string mPath;
};

// Sets an environment variable for the life of the object and restores the
// earlier value (or its absence) afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string mName;
  bool mHadValue = false;
  std::string mOldValue;
};

// Sets the process's file mode creation mask for the life of the object and
// restores the earlier one afterwards.
class ScopedUmask {
 public:
  explicit ScopedUmask(unsigned mask);
  ~ScopedUmask();
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  unsigned mOld;
};

// The permission bits of `path` (0640, ...), as stat() reports them.
unsigned PermissionsOf(const std::string& path);

// Whole-file helpers for tests.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);
// The names of the entries of `folder`, in ascending order.
std::vector<std::string> FolderNames(const std::string& folder);

}  // namespace tavex::test
