#pragma once

#include <string>
#include <vector>

namespace tavex {

// The packages whose copy on the server is deleted (or about to be) and
// whose merge has not reached its end: one small file per package, named
// after the package and holding the path of its backup copy. A package is
// added before its server copy is deleted and removed once it is merged or
// filed as an error package, so a run that dies in between leaves its
// record behind and the next run can still merge the package.
class PendingPackages {
 public:
  // `folder` ends with '/'; it is created on the first Add.
  explicit PendingPackages(std::string folder) : mFolder(std::move(folder)) {}

  // Records package `name` with the path of its backup copy, durably.
  // Failures raise std::runtime_error.
  void Add(const std::string& name, const std::string& backupCopy) const;

  // Forgets package `name`. Failures raise std::runtime_error.
  void Remove(const std::string& name) const;

  // The recorded package names in name order (the time order of one
  // branch's packages); empty when the folder is missing.
  std::vector<std::string> Names() const;

  // The backup copy recorded for `name`; empty when the record cannot be read.
  std::string BackupCopy(const std::string& name) const;

 private:
  std::string mFolder;
};

}  // namespace tavex
