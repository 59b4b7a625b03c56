#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "framework/MainSystem.h"
#include "framework/VersionInfo.h"

namespace tavex {

// The action key a host passes to DoAction: normally the action's name, but
// hosts may pass a number, which is compared by its decimal text.
using ActionKey = std::variant<std::string, std::int64_t>;

// The host's plug-in interface. The host creates the plug-in's object through
// the exported factory (tavExDataApp_CreateSubSystem), calls SetHost once and
// then DoAction once per user command; it deletes the object through this
// interface. Every member runs on the host's user-interface thread and none
// of them throws. The interface is header-only, so a host and a plug-in built
// apart agree on it.
class ISubSystem {
 public:
  virtual ~ISubSystem() = default;

  // Takes the host's connection as the shared connection, gives it to the
  // exchange context, reads the message texts and finds the help file.
  virtual void SetHost(MainSystem& mainSystem) = 0;
  // Opens the dialog named by `actionKey` modally and returns when it closes;
  // a name that matches no action shows the not-supported message box.
  virtual void DoAction(const ActionKey& actionKey) = 0;
  // The plug-in's version; every read returns the same object.
  virtual const VersionInfo& Version() = 0;
};

}  // namespace tavex

// The name of the factory a plug-in library exports.
inline constexpr const char* kCreateSubSystemSymbol = "tavExDataApp_CreateSubSystem";
using CreateSubSystemFunction = tavex::ISubSystem* (*)();
