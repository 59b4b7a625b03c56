#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "storage/TemporaryFile.h"
#include "transfer/PrepareExchange.h"

namespace tavex {

// Receives the description of a failure raised during an export: the
// upload run shows it as a progress line, the wizards in a message box.
using ExportFailureFn = std::function<void(const std::string& description)>;

// The export every sender runs on a defined package: a progress line, a new
// package database at settings.gsMdbName filled from the shared (host)
// connection, whose kind-3 statements run inside whatever transaction the
// caller holds there and which records settings.gsBranchID as its sender,
// then compressed by `compressor` into settings.gsPkgName, and signed when
// the site has a key. The package database is deleted in every case, so a
// failed export leaves no half-built file behind. The package file when it
// is made, removed when the caller lets it go. On nullopt, `addLine` has
// received the export's errors (a count line and one line per error), the
// cancel line or the compression line, or `raised` the description of a
// failure raised on the way (a database that cannot be created or opened).
std::optional<TemporaryFile> ExportPackageFile(engine::Package& package,
                                               engine::FSComprFile& compressor,
                                               const ExchangeSettings& settings,
                                               const AddLineFn& addLine,
                                               const ExportFailureFn& raised);

}  // namespace tavex
