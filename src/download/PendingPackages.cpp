#include "download/PendingPackages.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "database/AsciiText.h"
#include "storage/CreatePath.h"
#include "storage/DurableFile.h"
#include "storage/FolderFiles.h"

namespace tavex {

namespace {

// Records are named after packages, which end in ".pkg" in any case; the
// writer's temporary files do not.
bool IsRecordName(const std::string& name) { return EndsWithNoCase(name, ".pkg"); }

}  // namespace

void PendingPackages::Add(const std::string& name, const std::string& backupCopy,
                          int attempts) const {
  if (!CreatePath(mFolder)) throw std::runtime_error("cannot create folder " + mFolder);
  WriteFileDurably(mFolder + name, backupCopy + "\n" + std::to_string(attempts) + "\n");
}

void PendingPackages::Remove(const std::string& name) const { RemoveFile(mFolder + name); }

std::vector<std::string> PendingPackages::Names() const {
  std::vector<std::string> names = FolderFiles(mFolder);
  std::erase_if(names, [](const std::string& name) { return !IsRecordName(name); });
  return names;
}

std::string PendingPackages::BackupCopy(const std::string& name) const {
  std::ifstream record(mFolder + name);
  std::string path;
  std::getline(record, path);
  return path;
}

int PendingPackages::Attempts(const std::string& name) const {
  std::ifstream record(mFolder + name);
  std::string path;
  std::getline(record, path);
  int attempts = 0;
  record >> attempts;
  return record ? attempts : 0;
}

void PendingPackages::SetAttempts(const std::string& name, int attempts) const {
  Add(name, BackupCopy(name), attempts);
}

}  // namespace tavex
