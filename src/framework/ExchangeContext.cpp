#include "framework/ExchangeContext.h"

#include <utility>

namespace tavex {

ExchangeContext::ExchangeContext() : mSettings(nullptr) {}

ExchangeContext& ExchangeContext::Instance() {
  static ExchangeContext context;
  return context;
}

void ExchangeContext::SetConnection(std::shared_ptr<db::Connection> connection) {
  mConnection = std::move(connection);
  mSettings = SettingsStore(mConnection);
}

}  // namespace tavex
