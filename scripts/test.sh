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
