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

# The packages, made by the release command as a release is made: the Windows setup program
# installed, run and uninstalled under wine (with the stand-in archiver of the mingw build above
# as an installed 7-Zip); the Debian package checked with lintian and Debian's tools and run from
# an unpacked tree; the release itself hardened, the same bytes from a second clone, and signed.
scripts/deps.sh "${PACKAGING_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}" "${RELEASE_TEST_PACKAGES[@]}"
# The second clone's build (tests/release_test.sh) reuses the first one's compilations: the
# release flags keep paths out of the outputs, so the compiler cache can serve both.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
dist=build/release-test/dist
scripts/release.sh --output "$dist"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
tests/support/with-xvfb.sh tests/setup_test.sh "$dist/UpdatePublisher-$version-setup.exe" "$version" \
  build/mingw/tests/archiver_stand_in.exe build/mingw-release/setup-test
tests/deb_test.sh "$dist/updatepublisher_${version}_amd64.deb" "$version" build/release/deb-test
tests/support/with-xvfb.sh tests/release_test.sh "$dist" "$version" build/release-test/work
