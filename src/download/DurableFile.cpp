#include "download/DurableFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "engine/PendingFile.h"

namespace tavex {

namespace {

std::runtime_error SystemFailure(const std::string& what, const std::string& path) {
  return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

void CopyFileDurably(const std::string& from, const std::string& to) {
  std::ifstream source(from, std::ios::binary);
  if (!source) throw SystemFailure("cannot open", from);
  engine::PendingFile target(to);
  std::vector<char> buffer(1 << 16);
  while (source) {
    source.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    target.Write(buffer.data(), static_cast<std::size_t>(source.gcount()));
  }
  if (source.bad()) throw SystemFailure("cannot read", from);
  target.Commit();
}

void WriteFileDurably(const std::string& path, const std::string& contents) {
  engine::PendingFile file(path);
  file.Write(contents.data(), contents.size());
  file.Commit();
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw SystemFailure("cannot delete", path);
}

}  // namespace tavex
