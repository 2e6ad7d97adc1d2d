#!/usr/bin/env bash
# Renders each page of the window and the error dialog into docs/*.png (shown by the README),
# in an Xvfb of its own, so it also works without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" xvfb xauth
cmake --preset release -DUPD_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release --target upd_screenshots
mkdir -p docs
QT_QPA_PLATFORM=xcb timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  build/release/tools/upd_screenshots docs
