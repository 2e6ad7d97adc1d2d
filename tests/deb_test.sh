#!/usr/bin/env bash
# The Debian package: its name and control fields, lintian without errors, and its programs
# run from a tree unpacked with dpkg-deb -x: updtool reports VERSION and archives through the
# SEVENZIP link (the system's 7zz) without --archiver, the window opens (window_e2e_test.sh),
# and the desktop entry, AppStream metainfo, icon, manual pages and documents are where Debian
# wants them and pass Debian's checks; every program passes hardening-check.
# Usage: deb_test.sh PACKAGE.deb VERSION WORK-FOLDER  (WORK-FOLDER is emptied first, and kept
# when a check fails)
set -uo pipefail

deb=$(realpath "$1")
version=$2
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
source "$(dirname "$0")/support/checks.sh"

field() { dpkg-deb -f "$deb" "$1"; }
depends_on() { tr ',' '\n' <<<"$(field Depends)" | sed 's/^ *//; s/ .*//' | grep -qx "$1"; }

rm -rf "$work" && mkdir -p "$work" || exit 1

check "file name" equals "$(basename "$deb")" "updatepublisher_${version}_amd64.deb"
check "Package, Version and Architecture fields" \
  equals "$(field Package) $(field Version) $(field Architecture)" "updatepublisher $version amd64"
for package in 7zip fonts-crosextra-carlito libqt6svg6 libqt6widgets6 libc6; do
  check "depends on $package" depends_on "$package"
done

lintian --display-info --fail-on error "$deb" >"$work/lintian.txt" 2>&1
check "lintian reports no error" test $? -eq 0
check "lintian reports no missing hardening" bash -c '! grep -q hardening "$1"' _ "$work/lintian.txt"
sed 's/^/  lintian: /' "$work/lintian.txt"

root=$work/root
dpkg-deb -x "$deb" "$root" || exit 1
bin=$root/usr/bin
check "/usr/bin holds the two programs, as links, and no SEVENZIP" \
  equals "$(find "$bin" -mindepth 1 -type l -printf '%f\n' | LC_ALL=C sort | tr '\n' ' ')" \
  "UpdatePublisher updtool "
check "the links lead to executables" test -x "$(readlink -f "$bin/updtool")" -a \
  -x "$(readlink -f "$bin/UpdatePublisher")"
check "updtool --version prints the version" equals "$("$bin/updtool" --version)" "updtool $version"
programs=$(dirname "$(readlink -f "$bin/UpdatePublisher")")
check "SEVENZIP beside the programs is the system's 7zz" \
  equals "$(readlink -f "$programs/SEVENZIP")" "$(readlink -f "$(command -v 7zz)")"

mkdir -p "$work/patch"
echo "<descriptor/>" >"$work/patch/descriptor.xml"
check "updtool archive without --archiver succeeds" \
  "$bin/updtool" archive --password "top secret" -o "$work/update" "$work/patch"
check "the archive opens with the password and holds descriptor.xml" \
  bash -c '7zz l -slt -p"top secret" "$1" | grep -q "^Path = .*descriptor.xml$"' _ "$work/update.upd"
check "the archive does not open with another password" \
  bash -c '! 7zz t -pwrong "$1" >/dev/null 2>&1' _ "$work/update.upd"

share=$root/usr/share
desktop=$share/applications/updatepublisher.desktop
check "the desktop entry starts a program in /usr/bin" \
  test -e "$bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
check "the desktop entry passes desktop-file-validate" desktop-file-validate "$desktop"
metainfo=$(find "$share/metainfo" -name '*.metainfo.xml')
check "the AppStream metainfo passes appstreamcli validate" \
  appstreamcli validate --no-net "$metainfo"
# Control-flow protection cannot be had on Debian 12: its C start files lack the IBT and SHSTK
# marks, so no program linked there carries them (and its dpkg-buildflags does not ask for them).
for program in "$programs"/*; do
  [ -L "$program" ] && continue
  check "hardening-check passes $(basename "$program")" \
    hardening-check --quiet --nocfprotection "$program"
done
check "the desktop entry's icon is installed" \
  test -f "$share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$desktop").svg"
check "updtool's manual page names this version, Cyrillic intact" \
  bash -c 'zcat "$1" | grep -q "updtool $2" && zcat "$1" | grep -q "Дарвела 2"' _ \
  "$share/man/man1/updtool.1.gz" "$version"
check "UpdatePublisher has a manual page" test -s "$share/man/man1/UpdatePublisher.1.gz"
check "copyright" test -s "$share/doc/updatepublisher/copyright"
check "changelog.gz starts with this version" \
  equals "$(zcat "$share/doc/updatepublisher/changelog.gz" | head -n 1 | cut -d' ' -f1,2)" \
  "updatepublisher ($version)"

check "the unpacked window opens" "$here/support/with-xvfb.sh" "$here/window_e2e_test.sh" "$bin/UpdatePublisher" \
  "$bin/updtool"

echo "deb: $passes passed, $failures failed"
[ "$failures" -eq 0 ] && rm -rf "$work"
[ "$failures" -eq 0 ]
