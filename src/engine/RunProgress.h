#pragma once

#include <cstdint>
#include <string>

#include "framework/ProgressView.h"

namespace tavex {

// What every exchange run shows while it works, on the view its host gave.
// A failing list, bar or event pump never stops the run: these never throw.

// Adds `text` as the run's new, selected last line, writes it to the
// synchronisation log and lets the host process its events.
void AddRunLine(const RunView& view, const std::string& text) noexcept;

// A share of the bar, thousandths `from` to `to`.
struct SweepRange {
  int from;
  int to;
};

// Moves the bar over the thousandths of `range`, one by one, as a
// percentage (k / 1000 × 100), letting the host process its events after
// each: a step of a run that has no progress of its own to show.
void SweepRunBar(const RunView& view, SweepRange range) noexcept;

// Sets the bar to its maximum.
void FillRunBar(const RunView& view) noexcept;

// Shows one progress event of a package: a "copying" line when a step
// starts (list only, not the log), replaced by its "copied, N rows" summary
// when the step is done, and the bar at the share of finished steps.
void ShowPackageProgress(const RunView& view, std::int32_t totalCount, std::int32_t totalFinished,
                         const std::string& currentExData, std::int32_t currentCount,
                         std::int32_t currentFinished, bool newExData) noexcept;

}  // namespace tavex
