#!/usr/bin/env bash
# The test command: installs the dependencies, checks that the tracked
# sources are formatted, builds everything with warnings as errors under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs the whole suite,
# its GoogleTest suites side by side on every core. Exits non-zero on any
# failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTAVEX_SANITIZE=ON -DTAVEX_WERROR=ON -DTAVEX_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
