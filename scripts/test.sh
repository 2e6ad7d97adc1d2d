#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug --output-on-failure

# The whole suite again under AddressSanitizer (leak detection on) and UBSan.
cmake --preset asan >/dev/null
cmake --build --preset asan -j2
ctest --preset asan

# Each fuzz harness for a minute from its seed corpus (clang's libFuzzer).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2
for harness in reader round_trip; do
  fuzz/run.sh "$harness" 60
done

# The Windows build: cross-compiled with mingw-w64, its tests run under wine with the
# Bulgarian locale, whose ANSI code page 1251 is the one the pharmacy application uses.
scripts/deps.sh "${WINDOWS_TEST_PACKAGES[@]}"
if ! locale -a | grep -qix 'bg_BG\.utf-\?8'; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo localedef -i bg_BG -f UTF-8 bg_BG.UTF-8
fi
cmake --preset mingw >/dev/null
cmake --build --preset mingw
ctest --preset mingw --output-on-failure
