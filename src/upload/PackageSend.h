#pragma once

#include <functional>
#include <string>

#include "transfer/PrepareExchange.h"
#include "upload/PackageExport.h"

namespace tavex {

// Moves the progress bar over a range of thousandths before a step of the
// transfer; senders without a bar pass an empty function.
using SendSweepFn = std::function<void(int from, int to)>;

// The transfer every sender runs on a package file it made: connects to
// settings.gsFtpHost with its own client, opens the upload folder
// settings.gsUploadPath and puts settings.gsPkgName there under its file
// name (the client writes a temporary name and renames it when complete).
// Each step is announced through `addLine` (the file shown as `shownName`)
// after the bar was swept, and so is its failure; a failure raised on the
// way goes to `raised` instead. The client disconnects in every case. True
// when the file is on the server.
bool SendPackageFile(const ExchangeSettings& settings, const std::string& shownName,
                     const AddLineFn& addLine, const SendSweepFn& sweep,
                     const ExportFailureFn& raised);

}  // namespace tavex
