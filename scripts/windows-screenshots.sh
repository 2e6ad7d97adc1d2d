#!/usr/bin/env bash
# Renders the Windows window under wine - each page, the error dialog, the progress dialog
# and the publication dialog - into docs/windows-*.png (shown by the README), in an Xvfb of
# its own: the end-to-end run of the mingw build, saving what it sees on the way.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${WINDOWS_TEST_PACKAGES[@]}" xvfb xdotool openbox imagemagick
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target UpdatePublisher updtool archiver_stand_in window_text
build=build/mingw
mkdir -p docs
[ -d "$build/wineprefix" ] || ctest --preset mingw -R wine_prefix >/dev/null
SCREENSHOTS=$PWD/docs tests/support/with-xvfb.sh tests/win32_window_e2e_test.sh \
  "$build/src/UpdatePublisher.exe" "$build/tests/archiver_stand_in.exe" \
  "$build/tests/window_text.exe" \
  env WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all LC_ALL=bg_BG.UTF-8 \
  WINEDLLOVERRIDES=mscoree,mshtml= wine
ls -l docs/windows-*.png
