#pragma once

#include "download/DownloadHost.h"

namespace tavex {

// Moves the host's bar over thousandths `from` to `to`, one by one, as a
// percentage (k / 1000 × 100), calling the host's SweepStep after each: a
// step of a run that has no progress of its own to show.
void SweepBar(DownloadHost& host, int from, int to);

}  // namespace tavex
