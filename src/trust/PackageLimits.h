#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tavex::trust {

// How much one received package may take of this machine: section
// "Packages" of the transfer options file ("Octopus/MAIN.INI"). A missing
// file, section or key, or a value that is no positive number, gives the
// default.
//   MaxSizeMB=2048     the largest package, unpacked, in MiB
//   FreeSpaceMB=512    the free space a package must leave on its disk, in MiB
//   TimeLimit=900      seconds that checking and merging one package may take
struct PackageLimits {
  // Generous for a month of a large branch's bills (about 300 MiB unpacked).
  std::uint64_t maxBytes = std::uint64_t{2048} << 20;
  // The disk of the temporary folder usually holds the tills' database too.
  std::uint64_t reserveBytes = std::uint64_t{512} << 20;
  std::chrono::milliseconds timeLimit = std::chrono::seconds(900);
};

// The limits of the options file at `path`; nullopt when it exists but
// cannot be read.
std::optional<PackageLimits> ReadPackageLimits(const std::string& path);

// The limits of this plug-in folder's options file (TransferOptionsFile);
// the defaults when it cannot be read.
PackageLimits CurrentPackageLimits();

}  // namespace tavex::trust
