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
#   --output DIR     write there instead of dist/: a missing or empty folder, or one holding
#                    only a release (the files its SHA256SUMS lists, and signatures/).
# SOURCE_DATE_EPOCH, the time the packages carry, defaults to the last commit's.
# The output folder is replaced only when every step succeeded.
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")

fail() {
  echo "release: $*" >&2
  exit 1
}
usage_error() {
  echo "release: $* (scripts/release.sh --help lists the options)" >&2
  exit 2
}
usage() {
  sed -n '6,13s/^# \{0,1\}//p' "$0"
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
  leaf=$(pkcs12 "$cert" "$password" -clcerts -nokeys) ||
    fail "$cert does not open: wrong password, or not a PKCS#12 file"
  pkcs12 "$cert" "$password" -nocerts -nodes | grep -q 'PRIVATE KEY' ||
    fail "$cert holds no private key"
  openssl x509 -noout -ext extendedKeyUsage <<<"$leaf" 2>/dev/null | grep -q 'Code Signing' ||
    fail "$cert cannot sign code (its extended key usage lacks Code Signing)"
}

# The output folder is removed and replaced: only an earlier release or an empty folder may be.
check_output() {
  local output=$1 listed="" entry
  case $root/ in "$output"/*) fail "--output $output would hold the sources" ;; esac
  [ -e "$output" ] || return 0
  [ -d "$output" ] || fail "--output $output is not a folder"
  [ -f "$output/SHA256SUMS" ] && listed=$(sed -n 's/^[0-9a-f]* [ *]//p' "$output/SHA256SUMS")
  while IFS= read -r -d '' entry; do
    entry=${entry#"$output"/}
    case $entry in SHA256SUMS | signatures | signatures/*) continue ;; esac
    [ ! -d "$output/$entry" ] && grep -qxF -- "$entry" <<<"$listed" ||
      fail "$output holds other files than a release ($entry): it is not replaced"
  done < <(find "$output" -mindepth 1 -print0)
}

# The first line of FILE without a CR before its line break (as Windows editors write it) into
# a private file: openssl and osslsigncode would take the CR as part of the password.
clean_password() {  # clean_password FILE COPY
  (umask 077 && head -n 1 "$1" | sed 's/\r$//' >"$2")
}

# The folders above --output that this run creates, deepest first: removed again if it fails.
made_folders=()
make_parents() {
  local dir=$1
  while [ ! -e "$dir" ]; do
    made_folders+=("$dir")
    dir=$(dirname "$dir")
  done
  mkdir -p "$1"
}
clean_up() {
  rm -rf "$stage" "$password_copy"
  for dir in "${made_folders[@]}"; do rmdir "$dir" 2>/dev/null || break; done
}

check_signatures() {
  local dir=$1 file
  shift
  for file in "$@"; do
    [ -f "$dir/$file.sig" ] || fail "no signature $dir/$file.sig (made for another version?)"
  done
}

cert="" password_file="" timestamp_url="" attach="" output=$root/dist stage="" password_copy=""
while [ $# -gt 0 ]; do
  case $1 in
    -h | --help) usage && exit 0 ;;
    --sign | --password-file | --timestamp-url | --attach | --output) ;;
    *) usage_error "unknown option $1" ;;
  esac
  [ $# -ge 2 ] || usage_error "$1 needs a value"
  [ -n "$2" ] || usage_error "$1 \"\" names nothing: give it a value"
  case $1 in
    --sign) cert=$(realpath -m "$2") ;;
    --password-file) password_file=$(realpath -m "$2") ;;
    --timestamp-url) timestamp_url=$2 ;;
    --attach) attach=$(realpath -m "$2") ;;
    --output) output=$(realpath -m "$2") ;;
  esac
  shift 2
done
cd "$root"
[ -n "$cert" ] && [ -n "$attach" ] && fail "--sign and --attach exclude each other"
[ -z "$timestamp_url" ] || [ -n "$cert" ] || usage_error "--timestamp-url needs --sign"
if [ -n "$cert" ] || [ -n "$password_file" ]; then
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

trap clean_up EXIT
make_parents "$(dirname "$output")"
stage=$(mktemp -d "$(dirname "$output")/.release.XXXXXX")
if [ -n "$cert" ]; then
  [ -f "$password_file" ] || fail "no password file $password_file"
  password_copy=$(mktemp)
  clean_password "$password_file" "$password_copy"
  check_certificate "$cert" "$password_copy"
  export UPD_SIGN_MODE=sign UPD_SIGN_CERT=$cert UPD_SIGN_PASSWORD_FILE=$password_copy
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
stage="" made_folders=()
echo "release $version (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH) in $output:"
(cd "$output" && cat SHA256SUMS)
