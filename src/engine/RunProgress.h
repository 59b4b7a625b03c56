#pragma once

#include <cstdint>
#include <string>

#include "framework/ProgressView.h"

namespace tavex {

// What every exchange run shows while it works. A run without a list or a
// bar (a null pointer) simply shows nothing there; a failing list or bar
// never stops the run.

// Adds `text` as the run's new, selected last line and writes it to the
// synchronisation log.
void AddRunLine(ProgressList* list, const std::string& text) noexcept;

// Shows one progress event of a package: a "copying" line when a step
// starts, replaced by its "copied, N rows" summary when the step is done, and
// the bar at the share of finished steps.
void ShowPackageProgress(ProgressList* list, ProgressBar* bar, std::int32_t totalCount,
                         std::int32_t totalFinished, const std::string& currentExData,
                         std::int32_t currentCount, std::int32_t currentFinished,
                         bool newExData) noexcept;

}  // namespace tavex
