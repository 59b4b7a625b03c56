#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tavex {

// What a folder listing says one entry is.
enum class FtpEntryKind { kFile, kFolder, kLink, kOther };

struct FtpListingEntry {
  std::string name;
  FtpEntryKind kind = FtpEntryKind::kOther;
};

// The entries of a LIST answer, in listing order. Unix-style lines ("-" a
// plain file, "d" a folder, "l" a link whose name stops before " -> ") and
// DOS/IIS-style lines ("<DIR>" a folder, a size a plain file) are read; the
// name is everything after the date field and its one separating blank (Unix)
// or after the size field and its blanks (DOS), so inner blanks and any UTF-8
// survive. Lines of neither form ("total 12", blank lines) are skipped.
std::vector<FtpListingEntry> ParseList(const std::string& text);

// The entries of an MLSD answer: facts, one blank, the name. "type=file" is
// a plain file, "type=dir" a folder, a unix symlink type a link; the current
// and parent folder entries and unknown types are kOther.
std::vector<FtpListingEntry> ParseMlsd(const std::string& text);

// The longest remote name taken, in bytes: every local file system takes it
// whole, with the endings the runs add to it.
inline constexpr std::size_t kMaxRemoteNameBytes = 200;

// A name from a server listing is only ever used as a file name when it is
// not empty, not ".", no longer than kMaxRemoteNameBytes, and holds no "/",
// "\" or "..", and no control character.
bool IsSafeRemoteName(const std::string& name);

// A name with CR or LF would smuggle a second command onto the control
// connection; every operation refuses one.
bool HasLineBreak(const std::string& text);

}  // namespace tavex
