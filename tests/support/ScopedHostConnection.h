#pragma once

#include <memory>
#include <utility>

#include "database/Connection.h"
#include "framework/ExchangeContext.h"

namespace tavex::test {

// Hands `connection` to the exchange context as the host connection for the
// life of the object, then gives back the one held before, so that no test
// leaves its database behind for the next.
class ScopedHostConnection {
 public:
  explicit ScopedHostConnection(std::shared_ptr<db::Connection> connection)
      : mPrevious(ExchangeContext::Instance().Connection()) {
    ExchangeContext::Instance().SetConnection(std::move(connection));
  }
  ~ScopedHostConnection() { ExchangeContext::Instance().SetConnection(std::move(mPrevious)); }
  ScopedHostConnection(const ScopedHostConnection&) = delete;
  ScopedHostConnection& operator=(const ScopedHostConnection&) = delete;

 private:
  std::shared_ptr<db::Connection> mPrevious;
};

}  // namespace tavex::test
