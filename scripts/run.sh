#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}"
cmake --preset release -DUPD_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release
exec build/release/src/UpdatePublisher
