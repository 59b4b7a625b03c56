#pragma once

#include "database/Connection.h"

namespace tavex::engine {

// Opens a transaction on `connection` unless the caller holds one, and rolls
// it back unless committed.
class OwnTransaction {
 public:
  explicit OwnTransaction(db::Connection& connection)
      : mConnection(connection), mOwned(!connection.InTransaction()) {
    if (mOwned) mConnection.BeginTrans();
  }
  ~OwnTransaction() {
    if (!mOwned || !mConnection.InTransaction()) return;
    try {
      mConnection.RollbackTrans();
    } catch (const db::DbError&) {
      // The failure that brought us here is the one reported.
    }
  }
  OwnTransaction(const OwnTransaction&) = delete;
  OwnTransaction& operator=(const OwnTransaction&) = delete;

  void Commit() {
    if (mOwned) mConnection.CommitTrans();
    mOwned = false;
  }

 private:
  db::Connection& mConnection;
  bool mOwned;
};

}  // namespace tavex::engine
