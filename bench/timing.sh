# Timing for the benchmark scripts (sourced).

seconds() {  # seconds COMMAND... : wall time of one run
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
