#!/usr/bin/env bash
# Renders every built dialog at each of its steps, in Simplified Chinese (the
# built-in texts), Traditional Chinese (languages/tavExDataApp.big, "-hk") and
# English (languages/tavExDataApp.eng), offscreen into
# docs/screenshots/*.png. The CJK font (fonts-wqy-microhei) comes with
# scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

# The test build (scripts/test.sh) is reused, so nothing is built twice.
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTAVEX_SANITIZE=ON -DTAVEX_WERROR=ON -DTAVEX_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target ui_screenshots

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
mkdir -p docs/screenshots
for language in zh hk en; do
  "$build/tools/screenshots/ui_screenshots" docs/screenshots "$language"
done
