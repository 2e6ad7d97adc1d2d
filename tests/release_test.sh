#!/usr/bin/env bash
# The release command (scripts/release.sh), given the unsigned release it made in DIST:
#  1. the Windows programs are hardened: ASLR with high-entropy addresses, a relocation table, DEP;
#  2. reproducible: the same command in a clone of this commit at another path, with another
#     umask, time zone and locale, gives the same bytes (diffoscope explains a difference);
#  3. signed with a throw-away certificate: the programs, the setup program and the installed
#     uninstaller verify, a changed byte does not, and --attach with the detached signatures
#     gives the signed release byte for byte; under wine the installed files are the signed ones;
#  4. a wrong password, a certificate that cannot sign code, a missing file, signatures that do
#     not fit, bad options and an output folder holding other files stop the release with a
#     message and leave the output folder as it was.
# Usage: release_test.sh DIST VERSION WORK-FOLDER  (WORK-FOLDER is emptied first, and kept when a
# check fails). Run it inside tests/support/with-xvfb.sh; it takes the wine locale setup_test.sh
# uses.
set -uo pipefail

dist=$(realpath "$1")
version=$2
work=$(realpath -m "$3")
root=$(cd "$(dirname "$0")/.." && pwd)
release=$root/scripts/release.sh
setup=UpdatePublisher-$version-setup.exe
source "$(dirname "$0")/support/checks.sh"

run_release() {  # run_release LOG ARGUMENTS...: scripts/release.sh, its end shown when it fails
  local log=$1
  shift
  "$release" "$@" >"$log" 2>&1 || { tail -n 30 "$log" | sed 's/^/  | /' >&2; return 1; }
}

rm -rf "$work" && mkdir -p "$work" || exit 1
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  [ "$failures" -eq 0 ] && rm -rf "$work"
}
trap cleanup EXIT

echo "== hardened Windows programs"
pe_hardened() {  # the DllCharacteristics flags and a non-empty relocation table
  local header
  header=$(x86_64-w64-mingw32-objdump -p "$1") || return 1
  for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -qw "$flag" <<<"$header" || { echo "  $flag missing" >&2; return 1; }
  done
  grep -Eq '^Entry 5 [0-9a-f]+ 0*[1-9a-f][0-9a-f]* Base Relocation Directory' <<<"$header" ||
    { echo "  no relocation table" >&2; return 1; }
}
for program in UpdatePublisher.exe updtool.exe; do
  check "$program: DYNAMIC_BASE, HIGH_ENTROPY_VA, NX_COMPAT and relocations" \
    pe_hardened "$dist/$program"
done
check "SHA256SUMS holds the four files and fits them" \
  bash -c 'cd "$1" && [ "$(wc -l <SHA256SUMS)" -eq 4 ] && sha256sum --quiet -c SHA256SUMS' _ "$dist"

echo "== the same bytes from a clone elsewhere"
same_files() {  # same_files DIR1 DIR2: every file equal; diffoscope's account of each that is not
  local differ=0 name
  [ "$(cd "$1" && find . -type f | sort)" = "$(cd "$2" && find . -type f | sort)" ] ||
    { echo "  the file lists differ" >&2; return 1; }
  while read -r name; do
    cmp -s "$1/$name" "$2/$name" && continue
    differ=1
    echo "  $name differs; diffoscope:" >&2
    diffoscope --no-progress --max-diff-block-lines 10 --text - "$1/$name" "$2/$name" 2>&1 |
      head -n 150 | sed 's/^/    /' >&2
  done < <(cd "$1" && find . -type f | sort)
  [ "$differ" -eq 0 ]
}
# The clone builds this commit with the tree's uncommitted changes (git stash create), at the
# time of the commit the first build took.
clone=$work/an/other/path/clone
epoch=$(git -C "$root" log -1 --format=%ct)
revision=$(git -C "$root" stash create)
git clone -q --no-checkout "$root" "$clone" && git -C "$clone" checkout -q "${revision:-HEAD}"
start=$(date +%s)
check "the release command succeeds in the clone" bash -c 'cd "$1" && umask 077 &&
  TZ=Pacific/Kiritimati LC_ALL=bg_BG.UTF-8 SOURCE_DATE_EPOCH=$2 scripts/release.sh --output "$3" \
  >"$4" 2>&1 || { tail -n 30 "$4" >&2; false; }' _ "$clone" "$epoch" "$work/clone-dist" \
  "$work/clone.log"
echo "  (the clone's release took $(($(date +%s) - start)) s)"
check "the clone's release is byte-identical" same_files "$dist" "$work/clone-dist"

echo "== signed with a throw-away certificate"
certs=$work/certs
mkdir -p "$certs"
make_certificate() {  # make_certificate NAME EXTENDED-KEY-USAGE: NAME.p12 with the password file
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Release test $1" \
    -addext "extendedKeyUsage=$2" -keyout "$certs/$1.key" -out "$certs/$1.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$certs/$1.key" -in "$certs/$1.pem" -out "$certs/$1.p12" \
      -passout "file:$certs/password"
}
printf 'a secret, with blanks\n' >"$certs/password"
printf 'a secret, with blanks\r\n' >"$certs/password-crlf"  # as Windows editors write it
make_certificate signer codeSigning && make_certificate server serverAuth || exit 1
signed=$work/signed
check "release --sign succeeds, the password file ending in CRLF" run_release "$work/sign.log" \
  --sign "$certs/signer.p12" --password-file "$certs/password-crlf" --output "$signed"
check "the password appears nowhere in the log, the release or the build folders" \
  bash -c '! grep -rqF "a secret, with blanks" "$@"' _ "$work/sign.log" "$signed" \
  "$root/build/mingw-release" "$root/build/release"

verifies() { osslsigncode verify -CAfile "$certs/signer.pem" -in "$1" >"$work/verify.log" 2>&1; }
digest_mismatch() { ! verifies "$1" && grep -q MISMATCH "$work/verify.log"; }
for file in UpdatePublisher.exe updtool.exe "$setup"; do
  check "$file verifies against the certificate" verifies "$signed/$file"
done
cp "$signed/updtool.exe" "$work/changed.exe"
printf 'X' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
check "a file with one changed byte does not verify" digest_mismatch "$work/changed.exe"

check "release --attach succeeds" run_release "$work/attach.log" --attach "$signed/signatures" \
  --output "$work/attached"
check "--attach gives the signed release byte for byte" same_files "$signed" "$work/attached"

echo "== under wine, the installed files are the signed ones"
export WINEDEBUG=-all LC_ALL=bg_BG.UTF-8 WINEDLLOVERRIDES=mscoree,mshtml= WINEPREFIX=$work/wine
installed=$WINEPREFIX/drive_c/Program\ Files/UpdatePublisher
wineboot -i >/dev/null 2>&1 && wineserver -w
check "the signed setup installs silently" wine "$signed/$setup" /S
wineserver -w
check "the installed UpdatePublisher.exe is the signed one" \
  cmp -s "$installed/UpdatePublisher.exe" "$signed/UpdatePublisher.exe"
check "the installed uninstaller verifies against the certificate" \
  verifies "$installed/uninstall.exe"
wineserver -k 2>/dev/null
unset WINEPREFIX LC_ALL

echo "== bad input stops the release and leaves the output folder alone"
out=$work/kept
mkdir -p "$out" && echo "the previous release" >"$out/SHA256SUMS"
cp -r "$signed/signatures" "$certs/misfit"
cp "$signed/signatures/UpdatePublisher.exe.sig" "$certs/misfit/updtool.exe.sig"
cp -r "$signed/signatures" "$certs/other-version" && rm "$certs/other-version/$setup.sig"
printf 'not the password\n' >"$certs/wrong"
mkdir -p "$work/dl" && echo "1234  updtool.exe" >"$work/dl/SHA256SUMS" && touch "$work/dl/my.doc"
# arguments (relative to $certs; a later --output wins; "" is an empty one) | what the message
# must name
cases=(
  "--sign signer.p12 --password-file wrong --output $work/made/for/it|does not open: wrong password"
  "--sign server.p12 --password-file password|cannot sign code"
  "--sign none.p12 --password-file password|no certificate file $certs/none.p12"
  "--sign signer.p12 --password-file none|no password file $certs/none"
  "--attach other-version|$setup.sig"
  "--attach misfit|updtool.exe.sig does not fit"
  "--output $root/src|$root/src holds other files than a release"
  "--output $work/dl|$work/dl holds other files than a release (my.doc)"
  "--output \"\"|--output \"\" names nothing"
  "--timestamp-url http://time.example|--timestamp-url needs --sign"
  "--frobnicate x|unknown option --frobnicate"
)
for case in "${cases[@]}"; do
  read -ra arguments <<<"${case%%|*}"
  arguments=("${arguments[@]/#\"\"/}")
  message=${case#*|}
  (cd "$certs" && "$release" --output "$out" "${arguments[@]}") >"$work/bad.log" 2>&1
  status=$?
  check "release ${case%%|*}: fails, naming \"$message\"" \
    bash -c '[ "$1" -ne 0 ] && grep -qF -- "$2" "$3" || { tail -n 20 "$3" >&2; false; }' _ \
    "$status" "$message" "$work/bad.log"
  check "  and the output folder is as it was" \
    equals "$(ls -A "$out") $(cat "$out/SHA256SUMS")" "SHA256SUMS the previous release"
done
check "the failed release removed the folders it made for --output" test ! -e "$work/made"
check "release --help: the usage on standard output, status 0" \
  bash -c '"$1" --help 2>/dev/null | grep -q -- "--output DIR" && [ "${PIPESTATUS[0]}" -eq 0 ]' \
  _ "$release"

echo "release: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
