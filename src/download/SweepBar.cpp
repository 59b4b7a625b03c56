#include "download/SweepBar.h"

namespace tavex {

void SweepBar(DownloadHost& host, int from, int to) {
  for (int k = from; k <= to; ++k) {
    host.Bar().SetValue(static_cast<float>(k / 1000.0 * 100.0));
    host.SweepStep();
  }
}

}  // namespace tavex
