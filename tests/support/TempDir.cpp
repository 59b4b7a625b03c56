#include "support/TempDir.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace tavex::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "tavex-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  mPath = buffer.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  // Folders made read-only by a test must not survive it.
  for (auto it = fs::recursive_directory_iterator(mPath, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(mPath, ec);
}

std::string TempDir::operator/(const std::string& name) const { return mPath + "/" + name; }

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : mName(std::move(name)) {
  if (const char* old = std::getenv(mName.c_str())) {
    mHadValue = true;
    mOldValue = old;
  }
  setenv(mName.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (mHadValue) {
    setenv(mName.c_str(), mOldValue.c_str(), 1);
  } else {
    unsetenv(mName.c_str());
  }
}

ScopedUmask::ScopedUmask(unsigned mask) : mOld(::umask(static_cast<mode_t>(mask))) {}

ScopedUmask::~ScopedUmask() { ::umask(static_cast<mode_t>(mOld)); }

unsigned PermissionsOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw std::runtime_error("cannot stat " + path);
  return info.st_mode & 07777U;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tavex::test
