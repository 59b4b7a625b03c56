#pragma once

#include <memory>

#include "database/Connection.h"
#include "framework/SettingsStore.h"

namespace tavex {

// The framework's exchange context: the host connection it was given and the
// settings store over that connection. There is one per process, created on
// first use by ExchangeContext::Instance(); everything runs on the host's
// one user-interface thread. It is the one place that holds the host
// connection: the process keeps its reference and never closes it.
class ExchangeContext {
 public:
  static ExchangeContext& Instance();

  ExchangeContext(const ExchangeContext&) = delete;
  ExchangeContext& operator=(const ExchangeContext&) = delete;

  // The connection last handed in (the context keeps it); null until the
  // host has handed one over.
  const std::shared_ptr<db::Connection>& Connection() const { return mConnection; }
  // Holds `connection` as the host connection and opens the settings store
  // over it.
  void SetConnection(std::shared_ptr<db::Connection> connection);

  // The settings store over the current connection.
  SettingsStore& Settings() { return mSettings; }

 private:
  ExchangeContext();

  std::shared_ptr<db::Connection> mConnection;
  SettingsStore mSettings;
};

}  // namespace tavex
