#include "maintenance/HostFile.h"

#include <filesystem>
#include <stdexcept>

namespace tavex {

void RefuseHostFile(db::Connection& host, const std::string& path) {
  if (host.GetBackend() != db::Backend::Sqlite) return;
  auto databases = host.Query("PRAGMA database_list");
  while (databases->Next()) {
    const db::Value value = databases->Get(std::size_t{2});
    const auto* file = std::get_if<std::string>(&value);
    std::error_code error;
    if (file != nullptr && !file->empty() && std::filesystem::equivalent(*file, path, error)) {
      throw std::runtime_error(path + " is the database being copied");
    }
  }
}

}  // namespace tavex
