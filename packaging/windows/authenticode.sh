#!/usr/bin/env bash
# Gives one Windows executable its Authenticode signature, in place, while the release is made
# (CPack calls it for the programs, makensis for the uninstaller and the setup program).
# Usage: authenticode.sh FILE NAME DESCRIPTION URL
#   NAME names the file's detached signature, NAME.sig.
# The environment says what to do (scripts/release.sh sets it):
#   UPD_SIGN_MODE=sign    sign with UPD_SIGN_CERT (PKCS#12) and the password in the file
#                         UPD_SIGN_PASSWORD_FILE, time-stamped at UPD_SIGN_TIMESTAMP_URL when set,
#                         and write NAME.sig into UPD_SIGNATURES_DIR;
#   UPD_SIGN_MODE=attach  attach UPD_SIGNATURES_DIR/NAME.sig, which must fit the file.
# FILE changes only when everything succeeded.
set -euo pipefail

file=$1 name=$2 description=$3 url=$4
fail() {
  echo "authenticode: $name: $*" >&2
  exit 1
}
[ -f "$file" ] || fail "no file to sign at $file"
: "${UPD_SIGNATURES_DIR:?}"
# Beside the file, so that the final rename replaces it in one step.
work=$(mktemp -d "$(dirname "$file")/.authenticode.XXXXXX")
trap 'rm -rf "$work"' EXIT

sign() {
  local timestamp=()
  [ -n "${UPD_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$UPD_SIGN_TIMESTAMP_URL")
  osslsigncode sign -pkcs12 "$UPD_SIGN_CERT" -readpass "$UPD_SIGN_PASSWORD_FILE" -h sha256 \
    -n "$description" -i "$url" "${timestamp[@]}" -in "$file" -out "$work/signed" \
    >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "signing failed"; }
  osslsigncode extract-signature -in "$work/signed" -out "$work/$name.sig" >"$work/log" 2>&1 ||
    { cat "$work/log" >&2; fail "the signature cannot be extracted"; }
  mkdir -p "$UPD_SIGNATURES_DIR"
  mv "$work/$name.sig" "$UPD_SIGNATURES_DIR/$name.sig"
}

# osslsigncode also checks the signer's certificate chain here, which a rebuild may not be able
# to (a test certificate, no network): what matters is that the signed digest is this file's.
attach() {
  local signature=$UPD_SIGNATURES_DIR/$name.sig
  [ -f "$signature" ] || fail "no signature $signature"
  osslsigncode attach-signature -sigin "$signature" -in "$file" -out "$work/signed" \
    >"$work/log" 2>&1 || true
  local current calculated
  current=$(sed -n 's/^Current message digest *: *\([0-9A-F]*\).*/\1/p' "$work/log")
  calculated=$(sed -n 's/^Calculated message digest *: *\([0-9A-F]*\).*/\1/p' "$work/log")
  if [ ! -s "$work/signed" ] || [ -z "$current" ] || [ "$current" != "$calculated" ]; then
    fail "the signature $signature does not fit this build (another version or commit?)"
  fi
}

case ${UPD_SIGN_MODE:-} in
  sign) sign ;;
  attach) attach ;;
  *) fail "UPD_SIGN_MODE must be sign or attach" ;;
esac
# Over the file's own name only now, so that a failure never leaves it half-signed.
chmod --reference="$file" "$work/signed"
mv "$work/signed" "$file"
