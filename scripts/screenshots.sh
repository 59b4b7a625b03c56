#!/usr/bin/env bash
# Renders the pictures of docs/screenshots/, in Simplified Chinese (the
# built-in texts), Traditional Chinese (languages/tavExDataApp.big, "-hk")
# and English (languages/tavExDataApp.eng):
#   dialogs   every built dialog at each of its steps, offscreen (*.png);
#   overview  head office's overview page (overview-*.png): the demo's chain
#             (scripts/demo.sh) written as a page in each language and
#             shown by headless Chromium (Debian's chromium, installed here
#             when missing).
# Both by default; name one to render only that. The CJK font
# (fonts-wqy-microhei) comes with scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
parts=("$@")
[ $# -gt 0 ] || parts=(dialogs overview)
mkdir -p docs/screenshots

dialogs() {
  # The test build (scripts/test.sh) is reused, so nothing is built twice.
  local build=build/test
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTAVEX_SANITIZE=ON -DTAVEX_WERROR=ON -DTAVEX_BUILD_TESTS=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target ui_screenshots
  for language in zh hk en; do
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" \
      "$build/tools/screenshots/ui_screenshots" docs/screenshots "$language"
  done
}

overview() {
  if ! command -v chromium >/dev/null; then
    if [ "$(id -u)" = 0 ]; then apt-get install -y chromium >/dev/null; else sudo apt-get install -y chromium >/dev/null; fi
  fi
  local work
  work=$(mktemp -d "${TMPDIR:-/tmp}/tavex-screenshots.XXXXXX")
  trap 'rm -rf "$work"' RETURN
  TAVEX_DEMO_WORK="$work/demo" bash scripts/demo.sh >"$work/demo.log"
  # The demo's server is gone with the demo: one on the same tree answers
  # the overview's listing of the branches' folders.
  /usr/bin/python3 tests/support/ftp_server.py --root "$work/demo/ftp" --user demo \
    --password demo >"$work/ftp.port" &
  local server=$!
  for _ in $(seq 100); do
    [ -s "$work/ftp.port" ] && break
    sleep 0.1
  done
  sed -i "s/^Port=.*/Port=$(head -n 1 "$work/ftp.port")/" "$work/demo/HQ/Octopus/MAIN.INI"
  mkdir -p "$work/demo/HQ/Languages"
  cp languages/tavExDataApp.big languages/tavExDataApp.eng "$work/demo/HQ/Languages/"
  # The language numbers of the language files: 1 the built-in texts, 2 .big, 3 .eng.
  for language in zh:1 hk:2 en:3; do
    local page="$work/overview-${language%%:*}.html"
    build/demo/src/cli/tavexdata overview --db "sqlite:$work/demo/HQ.db" --home "$work/demo/HQ" \
      --days 7 --lang "${language##*:}" --html "$page" >/dev/null || true
    chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1180,1500 \
      --screenshot="$PWD/docs/screenshots/overview-${language%%:*}.png" "file://$page" 2>/dev/null
  done
  kill "$server"
  wait "$server" 2>/dev/null || true
}

for part in "${parts[@]}"; do
  case $part in
    dialogs | overview) "$part" ;;
    *)
      echo "unknown part: $part (dialogs or overview)" >&2
      exit 2
      ;;
  esac
done
