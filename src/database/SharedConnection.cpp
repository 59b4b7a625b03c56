#include "database/SharedConnection.h"

#include <utility>

namespace tavex::db {
namespace {

std::shared_ptr<Connection>& Slot() {
  static std::shared_ptr<Connection> connection;
  return connection;
}

}  // namespace

void SetSharedConnection(std::shared_ptr<Connection> connection) { Slot() = std::move(connection); }

std::shared_ptr<Connection> SharedConnection() { return Slot(); }

}  // namespace tavex::db
