#pragma once

#include <string>

namespace tavex {

// Local files of the download run that must survive a crash or a power cut
// as either the old or the new whole file (written through
// engine::PendingFile). Failures raise std::runtime_error with a description
// naming the file and the system's reason; nothing half written is left.

// Copies `from` to `to`, replacing `to` when it exists.
void CopyFileDurably(const std::string& from, const std::string& to);

// Writes `contents` as the whole file `path`, replacing it when it exists.
void WriteFileDurably(const std::string& path, const std::string& contents);

// Removes `path`; a file that is already gone is not a failure.
void RemoveFile(const std::string& path);

}  // namespace tavex
