#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "database/Connection.h"

namespace tavex::engine {

// A package database file attached to another SQLite connection (the host)
// under a fixed schema name, so that SQLite moves rows between the two
// itself instead of handing every value through the engine. Detached when
// the object goes.
class AttachedPackage {
 public:
  // True when both are SQLite and neither connection is in a transaction
  // (SQLite attaches only outside one, and a transaction holding the package
  // file would lock the host out of it).
  static bool CanAttach(db::Connection& host, db::Connection& package);
  enum class Access {
    ReadWrite,  // the sender building the package
    ReadOnly,   // a receiver: nothing is ever written to a package it reads
  };

  // Attaches the file behind `package` to `host` when CanAttach and the
  // package is a file; otherwise nullptr.
  static std::unique_ptr<AttachedPackage> TryAttach(db::Connection& host, db::Connection& package,
                                                    Access access);
  // The file behind `package` when it is a SQLite file database outside a
  // transaction, for Attach; empty otherwise.
  static std::string AttachableFile(db::Connection& package);
  // Attaches `file` to the SQLite connection `host`, which must be outside a
  // transaction.
  static std::unique_ptr<AttachedPackage> Attach(db::Connection& host, const std::string& file,
                                                 Access access);
  ~AttachedPackage();
  AttachedPackage(const AttachedPackage&) = delete;
  AttachedPackage& operator=(const AttachedPackage&) = delete;

  // The package's table `table` as the host connection names it.
  std::string Table(std::string_view table) const;

  // Writes to the package without journal or synchronous writes, as for any
  // package database that is a scratch file until compressed.
  void WriteAsScratchFile();

 private:
  explicit AttachedPackage(db::Connection& host) : mHost(host) {}

  db::Connection& mHost;
};

}  // namespace tavex::engine
