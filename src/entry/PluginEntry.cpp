#include <memory>

#include "entry/CSubSystem.h"

// The factory the host looks up in the plug-in library. The host owns the
// object and deletes it through ISubSystem. Returns null when the object
// cannot be made; nothing is thrown to the host.
extern "C" __attribute__((visibility("default"))) tavex::ISubSystem*
tavExDataApp_CreateSubSystem() {
  try {
    return std::make_unique<tavex::CSubSystem>().release();
  } catch (...) {
    return nullptr;
  }
}
