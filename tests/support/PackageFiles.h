#pragma once

#include <string>

#include "engine/FSComprFile.h"

namespace tavex::test {

// Compresses `source` into the package file `target`, or unpacks it again,
// with the package compression; the control's error code (0: done).
inline int Pack(const std::string& source, const std::string& target, bool unpack = false) {
  engine::FSComprFile control;
  control.SourceFile(source);
  control.TargetFile(target);
  unpack ? control.Decompress() : control.Compress();
  return control.ErrorCode();
}
inline int Unpack(const std::string& source, const std::string& target) {
  return Pack(source, target, true);
}

}  // namespace tavex::test
