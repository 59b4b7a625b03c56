#include "storage/FolderFiles.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace tavex {

std::vector<std::string> FolderFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator entry(folder, error);
  for (const fs::directory_iterator end; !error && entry != end; entry.increment(error)) {
    std::error_code typeError;
    if (entry->is_regular_file(typeError)) names.push_back(entry->path().filename().string());
  }
  if (error && error != std::errc::no_such_file_or_directory) {
    throw std::runtime_error("cannot read the folder " + folder + ": " + error.message());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tavex
