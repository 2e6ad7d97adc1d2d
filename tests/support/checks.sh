# Named checks for the package tests (sourced): each prints "ok: ..." or "FAIL: ...", and the
# counts end the run as "N passed, N failed".
passes=0
failures=0

check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    passes=$((passes + 1))
  else
    echo "FAIL: $what" >&2
    failures=$((failures + 1))
  fi
}

equals() { [ "$1" = "$2" ] || { echo "  got:      $1" >&2; echo "  expected: $2" >&2; return 1; }; }
