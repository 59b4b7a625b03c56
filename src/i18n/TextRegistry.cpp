#include "i18n/TextRegistry.h"

namespace tavex {

namespace {

// Function-local, so registering from another file's static initialisation
// finds it constructed.
std::vector<RegisteredText>& Registry() {
  static std::vector<RegisteredText> registry;
  return registry;
}

std::function<void(const TextLookup&)>& Recorder() {
  static std::function<void(const TextLookup&)> recorder;
  return recorder;
}

}  // namespace

void RegisterText(RegisteredText text) {
  if (text.property.empty()) text.property = "Default";
  Registry().push_back(std::move(text));
}

const std::vector<RegisteredText>& RegisteredTexts() { return Registry(); }

LookupRecorder::LookupRecorder(std::function<void(const TextLookup&)> onLookup) {
  Recorder() = std::move(onLookup);
}

LookupRecorder::~LookupRecorder() { Recorder() = nullptr; }

void NotifyLookup(const TextLookup& lookup) {
  if (Recorder()) Recorder()(lookup);
}

}  // namespace tavex
