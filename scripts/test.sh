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
# Each test runs once: a test that fails once fails the run.
ctest --preset mingw --output-on-failure

# The packages, from release builds: the Windows setup program installed, run and uninstalled
# under wine (with the stand-in archiver of the mingw build above as an installed 7-Zip), and
# the Debian package checked with lintian and run from an unpacked tree.
scripts/deps.sh "${PACKAGING_PACKAGES[@]}"
cmake --preset mingw-release >/dev/null
cmake --build --preset mingw-release
cpack --preset mingw-release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/mingw-release/CMakeCache.txt)
tests/support/with-xvfb.sh tests/setup_test.sh "build/mingw-release/packages/UpdatePublisher-$version-setup.exe" "$version" \
  build/mingw/tests/archiver_stand_in.exe build/mingw-release/setup-test

cmake --preset release -DUPD_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release -j2
cpack --preset release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
tests/deb_test.sh "build/release/packages/updatepublisher_${version}_amd64.deb" "$version" \
  build/release/deb-test
