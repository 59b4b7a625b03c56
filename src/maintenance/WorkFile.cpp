#include "maintenance/WorkFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace tavex {

WorkFile::WorkFile(const std::string& name) {
  const std::string pattern =
      std::filesystem::temp_directory_path().string() + "/tavex-work-XXXXXX";
  std::vector<char> folder(pattern.begin(), pattern.end());
  folder.push_back('\0');
  if (::mkdtemp(folder.data()) == nullptr) {
    throw std::runtime_error(std::string("cannot create a working folder: ") +
                             std::strerror(errno));
  }
  mFolder = folder.data();
  mPath = mFolder + "/" + name;
}

WorkFile::~WorkFile() {
  std::error_code error;
  std::filesystem::remove_all(mFolder, error);
}

}  // namespace tavex
