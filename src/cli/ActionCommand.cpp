#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "cli/Commands.h"
#include "entry/ActionNames.h"
#include "framework/ISubSystem.h"

namespace tavex::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPluginFile = "libtavExDataApp.so";

// Where the plug-in may be, in the order tried: beside tavexdata, in the
// library folder of the installation, in the build tree tavexdata came from.
std::vector<fs::path> PluginCandidates() {
  std::vector<fs::path> candidates;
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) candidates.push_back(self.parent_path() / kPluginFile);
  candidates.push_back(fs::path(TAVEX_PLUGIN_INSTALL_DIR) / kPluginFile);
  candidates.emplace_back(TAVEX_PLUGIN_BUILD_PATH);
  return candidates;
}

fs::path FindPlugin() {
  std::string tried;
  for (const fs::path& candidate : PluginCandidates()) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate;
    tried += (tried.empty() ? "" : ", ") + candidate.string();
  }
  throw std::runtime_error("the plug-in was not found (tried " + tried + ")");
}

// Loads the plug-in and makes its entry object. The library stays loaded for
// the rest of the process: its dialogs' toolkit does not survive unloading.
std::unique_ptr<ISubSystem> LoadSubSystem() {
  const fs::path path = FindPlugin();
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) throw std::runtime_error(::dlerror());
  void* symbol = ::dlsym(library, kCreateSubSystemSymbol);
  if (symbol == nullptr) {
    throw std::runtime_error(path.string() + " does not export " + kCreateSubSystemSymbol);
  }
  std::unique_ptr<ISubSystem> subsystem(reinterpret_cast<CreateSubSystemFunction>(symbol)());
  if (subsystem == nullptr) throw std::runtime_error("the plug-in could not start");
  return subsystem;
}

int Run(const CommandLine& line, std::ostream& /*out*/, std::ostream& /*err*/) {
  if (line.Argument().empty()) throw UsageError("an action NAME is required");
  MainSystem host(OpenHostDatabase(line));
  const std::unique_ptr<ISubSystem> subsystem = LoadSubSystem();
  subsystem->SetHost(host);
  subsystem->DoAction(line.Argument());
  return kExitOk;
}

}  // namespace

Command ActionCommand() {
  std::string names;
  for (const std::string_view name : kActionNames) {
    names += (names.empty() ? "" : ", ") + std::string(name);
  }
  return {"action",
          "NAME --db CONN [--home DIR]",
          "loads the plug-in as a host does and runs action NAME (" + names +
              "): its dialog opens and the command returns when it closes",
          {},
          &Run,
          1};
}

}  // namespace tavex::cli
