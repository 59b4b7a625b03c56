#include "support/RemoteServer.h"

#include <algorithm>
#include <filesystem>

namespace tavex::test {

namespace fs = std::filesystem;

RemoteServer::RemoteServer() : mRoot(mDir / "root") { fs::create_directories(mRoot); }

void RemoteServer::AdoptPath(const std::string& remotePath) const {
  fs::path path = mRoot;
  for (const fs::path& part : fs::path(remotePath)) {
    path /= part;
    Adopt(path.string());
  }
}

void RemoteServer::PutFile(const std::string& remotePath, const std::string& contents) const {
  WriteFile(mRoot + "/" + remotePath, contents);
  AdoptPath(remotePath);
}

void RemoteServer::MakeFolder(const std::string& remoteFolder) const {
  fs::create_directories(mRoot + "/" + remoteFolder);
  AdoptPath(remoteFolder);
}

void RemoteServer::MakeLink(const std::string& remotePath, const std::string& target) const {
  fs::create_symlink(target, mRoot + "/" + remotePath);
}

std::string RemoteServer::ReadFile(const std::string& remotePath) const {
  return test::ReadFile(mRoot + "/" + remotePath);
}

bool RemoteServer::Exists(const std::string& remotePath) const {
  return fs::exists(fs::symlink_status(mRoot + "/" + remotePath));
}

std::vector<std::string> RemoteServer::List(const std::string& remoteFolder) const {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(mRoot + "/" + remoteFolder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tavex::test
