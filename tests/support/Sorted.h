#pragma once

#include <algorithm>

namespace tavex::test {

// `values` in ascending order, for comparing what came in no fixed order.
template <typename Container>
Container Sorted(Container values) {
  std::sort(values.begin(), values.end());
  return values;
}

}  // namespace tavex::test
