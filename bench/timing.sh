# Timing for the benchmark scripts (sourced).

seconds() {  # seconds COMMAND... : wall time of one run
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

release_updtool() {  # release_updtool [PACKAGE...]: installs what is missing, builds the release
  source scripts/packages.sh  # updtool and prints its path
  scripts/deps.sh "${BUILD_PACKAGES[@]}" bc "$@" >/dev/null
  cmake --preset release -DUPD_BUILD_TESTS=OFF >/dev/null
  cmake --build --preset release --target updtool >/dev/null
  echo "$PWD/build/release/src/updtool"
}
