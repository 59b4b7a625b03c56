#pragma once

#include <memory>
#include <utility>

#include "database/Connection.h"

namespace tavex {

// The host application's main-system object as the plug-in sees it: the
// host's open database connection, which the plug-in uses as its shared
// connection and never closes.
class MainSystem {
 public:
  explicit MainSystem(std::shared_ptr<db::Connection> connection)
      : mConnection(std::move(connection)) {}

  const std::shared_ptr<db::Connection>& Connection() const { return mConnection; }

 private:
  std::shared_ptr<db::Connection> mConnection;
};

}  // namespace tavex
