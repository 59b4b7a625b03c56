#include "wizards/RestoreWorkFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace tavex {

RestoreWorkFile::RestoreWorkFile() {
  const std::string pattern =
      std::filesystem::temp_directory_path().string() + "/tavex-restore-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    throw std::runtime_error(std::string("cannot create a working folder: ") +
                             std::strerror(errno));
  }
  mFolder = name.data();
  mPath = mFolder + "/package.mdb";
}

RestoreWorkFile::~RestoreWorkFile() {
  std::error_code error;
  std::filesystem::remove_all(mFolder, error);
}

}  // namespace tavex
