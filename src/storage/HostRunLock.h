#pragma once

#include <optional>
#include <string>

#include "database/Connection.h"
#include "storage/FileDescriptor.h"

namespace tavex {

// Keeps apart two runs of one kind on one host database, in this process or
// any other: a run that stages rows and marks them once their package is on
// the server holds no transaction in between, so a second run re-staging
// meanwhile would have the first mark rows it never sent.
//
// On SQLite the lock is an advisory lock on the file `<database>-<name>.lock`
// beside the database (the file stays; the lock goes with the process);
// on PostgreSQL a session-level advisory lock of the connection. Either is
// released when the object goes away, or when the process dies.
class HostRunLock {
 public:
  // Tries once, without waiting; Held() tells whether the lock was taken.
  // A database that has no file (in memory) needs no lock.
  HostRunLock(db::Connection& connection, const std::string& name);
  ~HostRunLock();
  HostRunLock(const HostRunLock&) = delete;
  HostRunLock& operator=(const HostRunLock&) = delete;

  bool Held() const { return mHeld; }

 private:
  db::Connection& mConnection;
  std::string mKey;
  std::optional<FileDescriptor> mFile;  // the lock file (SQLite)
  bool mHeld = false;
};

}  // namespace tavex
