#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet.
set -euo pipefail

missing=()
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
lock_wait=900  # seconds; unattended upgrades after a first boot hold the lock for minutes

# apt-get with its arguments, waiting while another program holds the package manager's lock.
# apt's own -o DPkg::Lock::Timeout waits silently, and apt-get update (apt 2.6) ignores it for
# the lists' lock: so a loop that says it waits.
apt_get() {
  local deadline=$((SECONDS + lock_wait)) said="" errors status holder
  errors=$(mktemp)
  while :; do
    status=0
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=0 "$@" 2>"$errors" ||
      status=$?
    if [ $status -eq 0 ] || ! grep -q "Could not get lock" "$errors" || [ $SECONDS -ge $deadline ]; then
      cat "$errors" >&2
      rm -f "$errors"
      return $status
    fi
    if [ -z "$said" ]; then
      holder=$(grep -o -m1 'process [0-9]* ([^)]*)' "$errors" || echo "another program")
      echo "The package manager is in use by $holder: waiting for its lock," \
        "up to $((lock_wait / 60)) minutes..." >&2
      said=1
    fi
    sleep 5
  done
}

echo "Installing: ${missing[*]}"
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
