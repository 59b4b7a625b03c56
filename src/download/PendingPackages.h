#pragma once

#include <string>
#include <vector>

namespace tavex {

// The packages whose copy on the server is deleted (or about to be) and
// whose merge has not reached its end: one small file per package, named
// after the package and holding the path of its backup copy. A package is
// added before its server copy is deleted and removed once it is merged or
// filed as an error package, so a run that dies in between leaves its
// record behind and the next run can still merge the package. The record
// also counts the attempts to merge the package that never came to an end
// (the process died on the way), so that a package that kills every run
// that takes it up can be told apart and put aside.
class PendingPackages {
 public:
  // `folder` ends with '/'; it is created on the first Add.
  explicit PendingPackages(std::string folder) : mFolder(std::move(folder)) {}

  // Records package `name` with the path of its backup copy and the
  // attempts counted, durably. Failures raise std::runtime_error.
  void Add(const std::string& name, const std::string& backupCopy, int attempts = 0) const;

  // Forgets package `name`. Failures raise std::runtime_error.
  void Remove(const std::string& name) const;

  // The recorded package names in name order (the time order of one
  // branch's packages); empty when the folder is missing. A folder that
  // cannot be read raises std::runtime_error.
  std::vector<std::string> Names() const;

  // The backup copy recorded for `name`; empty when the record cannot be read.
  std::string BackupCopy(const std::string& name) const;

  // The attempts recorded for `name` (0 for a record without any).
  int Attempts(const std::string& name) const;
  // Records `attempts` for `name`, durably. Failures raise std::runtime_error.
  void SetAttempts(const std::string& name, int attempts) const;

 private:
  std::string mFolder;
};

}  // namespace tavex
