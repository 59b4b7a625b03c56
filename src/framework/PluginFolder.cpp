#include "framework/PluginFolder.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace tavex {

namespace {

std::string ModuleFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&ModuleFolder), &info) == 0 ||
      info.dli_fname == nullptr) {
    return std::filesystem::current_path().string();
  }
  std::error_code ec;
  auto module = std::filesystem::canonical(info.dli_fname, ec);
  if (ec) module = std::filesystem::absolute(info.dli_fname, ec);
  return module.parent_path().string();
}

std::string WithoutTrailingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

std::string PluginFolder() {
  const char* home = std::getenv("TAVEX_HOME");
  if (home != nullptr && *home != '\0') return WithoutTrailingSlash(home);
  return ModuleFolder();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

}  // namespace tavex
