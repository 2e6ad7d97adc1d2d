#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

cmake --preset debug >/dev/null
cmake --build --preset debug
ctest --preset debug --output-on-failure
