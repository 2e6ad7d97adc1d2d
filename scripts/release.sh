#!/usr/bin/env bash
# Makes a release into dist/: the Windows setup program, the bare Windows programs, the Debian
# package and SHA256SUMS over them. Two runs on one commit give the same bytes, whatever the
# folder, time, umask, time zone or locale.
#
# Usage: scripts/release.sh [--sign CERT.p12 --password-file FILE [--timestamp-url URL]]
#                           [--attach DIR] [--output DIR]
#   --sign           Authenticode-sign the programs, the uninstaller and the setup program, and
#                    write the detached signatures into dist/signatures/.
#   --attach DIR     attach the detached signatures in DIR (a signed release's signatures/)
#                    instead: a rebuild then gives the signed release byte for byte.
#   --output DIR     write there instead of dist/.
# SOURCE_DATE_EPOCH, the time the packages carry, defaults to the last commit's.
# The output folder is replaced only when every step succeeded.
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")

fail() {
  echo "release: $*" >&2
  exit 1
}
usage() {
  sed -n '6,12s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

# The certificate must open with the password and be able to sign code: checked before anything
# is built. The password goes to openssl in a file, never on a command line.
pkcs12() {  # pkcs12 CERT PASSWORD-FILE OPTIONS...: also opens files with the old ciphers
  local cert=$1 password=$2
  shift 2
  openssl pkcs12 -in "$cert" -passin "file:$password" "$@" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$cert" -passin "file:$password" "$@" 2>/dev/null
}
check_certificate() {
  local cert=$1 password=$2 leaf
  [ -f "$cert" ] || fail "no certificate file $cert"
  [ -f "$password" ] || fail "no password file $password"
  leaf=$(pkcs12 "$cert" "$password" -clcerts -nokeys) ||
    fail "$cert does not open: wrong password, or not a PKCS#12 file"
  pkcs12 "$cert" "$password" -nocerts -nodes | grep -q 'PRIVATE KEY' ||
    fail "$cert holds no private key"
  openssl x509 -noout -ext extendedKeyUsage <<<"$leaf" 2>/dev/null | grep -q 'Code Signing' ||
    fail "$cert cannot sign code (its extended key usage lacks Code Signing)"
}

# The output folder is removed and replaced: only an earlier release or an empty folder may be.
check_output() {
  local output=$1
  case $root/ in "$output"/*) fail "--output $output would hold the sources" ;; esac
  [ ! -e "$output" ] || [ -f "$output/SHA256SUMS" ] || [ -z "$(ls -A "$output" 2>/dev/null)" ] ||
    fail "$output holds other files than a release: it is not replaced"
}

check_signatures() {
  local dir=$1 file
  shift
  for file in "$@"; do
    [ -f "$dir/$file.sig" ] || fail "no signature $dir/$file.sig (made for another version?)"
  done
}

cert="" password_file="" timestamp_url="" attach="" output=$root/dist
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --sign) cert=$(realpath -m "$2") ;;
    --password-file) password_file=$(realpath -m "$2") ;;
    --timestamp-url) timestamp_url=$2 ;;
    --attach) attach=$(realpath -m "$2") ;;
    --output) output=$(realpath -m "$2") ;;
    *) usage ;;
  esac
  shift 2
done
cd "$root"
[ -n "$cert" ] && [ -n "$attach" ] && fail "--sign and --attach exclude each other"
if [ -n "$cert" ] || [ -n "$password_file" ] || [ -n "$timestamp_url" ]; then
  [ -n "$cert" ] && [ -n "$password_file" ] || fail "--sign needs --password-file, and the reverse"
fi

# The same bytes from every machine: nothing of the caller's settings reaches the packages.
umask 022
export TZ=UTC LC_ALL=C.UTF-8
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || true)}
[ -n "$SOURCE_DATE_EPOCH" ] || fail "not a git checkout: set SOURCE_DATE_EPOCH to the release's time"
export SOURCE_DATE_EPOCH
check_output "$output"

source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" "${PACKAGING_PACKAGES[@]}" "${RELEASE_PACKAGES[@]}"

version=$(sed -n 's/^project(UpdatePublisher VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=UpdatePublisher-$version-setup.exe
deb=updatepublisher_${version}_amd64.deb
signed_files=(UpdatePublisher.exe updtool.exe uninstall.exe "$setup")

mkdir -p "$(dirname "$output")"
stage=$(mktemp -d "$(dirname "$output")/.release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
if [ -n "$cert" ]; then
  check_certificate "$cert" "$password_file"
  export UPD_SIGN_MODE=sign UPD_SIGN_CERT=$cert UPD_SIGN_PASSWORD_FILE=$password_file
  export UPD_SIGN_TIMESTAMP_URL=$timestamp_url
  export UPD_SIGNATURES_DIR=$stage/signatures
elif [ -n "$attach" ]; then
  check_signatures "$attach" "${signed_files[@]}"
  mkdir "$stage/signatures"
  for file in "${signed_files[@]}"; do cp "$attach/$file.sig" "$stage/signatures/"; done
  export UPD_SIGN_MODE=attach UPD_SIGNATURES_DIR=$stage/signatures
else
  unset UPD_SIGN_MODE
fi

# Builds and packs with PRESET. Some outputs carry SOURCE_DATE_EPOCH (Qt's resources, the manual
# page) and are not remade when only it changes: a build folder made for another time is
# cleaned first. The packages folder is emptied, so that only this run's files are taken.
build_and_pack() {  # build_and_pack PRESET [CMAKE-OPTIONS...]
  local preset=$1 stamp=build/$1/source-date-epoch
  shift
  cmake --preset "$preset" "$@" >/dev/null
  if [ "$(cat "$stamp" 2>/dev/null)" != "$SOURCE_DATE_EPOCH" ]; then
    cmake --build --preset "$preset" --target clean
    echo "$SOURCE_DATE_EPOCH" >"$stamp"
  fi
  cmake --build --preset "$preset" -j2
  rm -rf "build/$preset/packages"
  cpack --preset "$preset"
}

build_and_pack mingw-release
for file in "$setup" UpdatePublisher.exe updtool.exe; do
  cp "build/mingw-release/packages/$file" "$stage/"
done

build_and_pack release -DUPD_BUILD_TESTS=OFF
cp "build/release/packages/$deb" "$stage/"

(cd "$stage" && sha256sum "$setup" "$deb" UpdatePublisher.exe updtool.exe >SHA256SUMS)
chmod 755 "$stage"
rm -rf "$output"
mv "$stage" "$output"
trap - EXIT
echo "release $version (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH) in $output:"
(cd "$output" && cat SHA256SUMS)
