#!/usr/bin/env bash
# The Windows setup program under wine, each case in a fresh wine prefix:
#  1. no 7-Zip: a silent install into Program Files puts the programs, the Start-menu shortcut
#     and the uninstall entry in place, no archiver, and the installed updtool.exe reports
#     VERSION; the installed window opens under Xvfb; the silent
#     uninstaller, run as Windows runs it, removes all of it, the folder included.
#  2. a 7-Zip registry entry pointing at a folder with the stand-in archiver as 7z.exe and a
#     7z.dll: an install into a folder given with /D= copies them as SEVENZIP.exe and 7z.dll,
#     the installed updtool.exe archives with it, and the uninstaller removes them but keeps
#     the files it did not install (the stand-in's records), and so the folder.
# Usage: setup_test.sh SETUP.exe VERSION ARCHIVER-STAND-IN.exe WORK-FOLDER
# WORK-FOLDER is emptied first; it is kept when a check fails. Run it inside
# tests/support/with-xvfb.sh (a display with a window manager) for the window check.
set -uo pipefail

setup=$(realpath "$1")
version=$2
stand_in=$(realpath "$3")
work=$(realpath -m "$4")  # wine wants an absolute prefix
display_name="Генериране на актуализации за Дарвела 2"
caption="Генериране на допълнителни актуализации за Дарвела 2"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\UpdatePublisher'
source "$(dirname "$0")/support/checks.sh"

export WINEDEBUG=-all LC_ALL=bg_BG.UTF-8 WINEDLLOVERRIDES=mscoree,mshtml=

stop_prefix() { [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null; }
cleanup() {
  stop_prefix
  [ "$failures" -eq 0 ] && rm -rf "$work"
}
trap cleanup EXIT

files_in() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' '); }

new_prefix() {
  stop_prefix
  export WINEPREFIX=$work/$1
  wineboot -i >/dev/null 2>&1 && wineserver -w
}

# The value of NAME in the uninstall entry (a dword in decimal), or nothing (and status 1)
# when there is none. Exported, since reg query prints in the console's code page.
uninstall_value() {
  rm -f "$work/entry.reg"
  wine reg export "$uninstall_key" "$work/entry.reg" /y >/dev/null 2>&1 || return 1
  local line
  line=$(iconv -f UTF-16LE -t UTF-8 "$work/entry.reg" | tr -d '\r' | grep "^\"$1\"=") || return 1
  line=${line#\"$1\"=}
  case $line in
    dword:*) echo $((16#${line#dword:})) ;;
    *) line=${line#\"}; line=${line%\"}; sed 's/\\\(.\)/\1/g' <<<"$line" ;;
  esac
}

shortcut() {
  echo "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$display_name.lnk"
}
# The Windows path of the program a shortcut starts, as the .lnk file stores it.
shortcut_target() { strings -a -el "$1" | grep -o -m1 '[A-Z]:\\.*\.exe$'; }

# The string KEY (FileVersion, ProductVersion) of FILE's version information.
version_info() {
  wrestool -x --raw -t 16 "$1" 2>/dev/null | iconv -f UTF-16LE -t UTF-8 -c |
    tr -c '[:print:]\n' '\n' | grep -v '^$' | grep -A1 -x "$2" | tail -n 1
}

window_opens() {  # window_opens EXE: its window, found by caption, appears
  wine "$1" >/dev/null 2>&1 &
  local found
  found=$(timeout 60 xdotool search --sync --onlyvisible --name "^${caption}\$" | head -n 1)
  wineserver -k 2>/dev/null
  [ -n "$found" ]
}

rm -rf "$work" && mkdir -p "$work" || exit 1

echo "== without 7-Zip, default folder"
new_prefix plain || { echo "FAIL: wineboot" >&2; exit 1; }
check "silent install succeeds" wine "$setup" /S
wineserver -w
dir="$WINEPREFIX/drive_c/Program Files/UpdatePublisher"
main_exe=UpdatePublisher.exe
check "exactly the programs and the uninstaller, no archiver" \
  equals "$(files_in "$dir")" "$(printf '%s\n' UpdatePublisher.exe uninstall.exe updtool.exe | LC_ALL=C sort | tr '\n' ' ')"
check "installed updtool.exe --version prints the version" \
  equals "$(wine "$dir/updtool.exe" --version | tr -d '\r')" "updtool $version"
check "the setup program's version information is the version" \
  equals "$(version_info "$setup" FileVersion) $(version_info "$setup" ProductVersion)" \
  "$version $version"
for program in UpdatePublisher.exe updtool.exe; do
  check "$program's version information is the version" \
    equals "$(version_info "$dir/$program" ProductVersion)" "$version"
done
check "Start-menu shortcut \"$display_name\" starts $main_exe" \
  equals "$(shortcut_target "$(shortcut)")" "C:\\Program Files\\UpdatePublisher\\$main_exe"
check "uninstall entry: DisplayName" equals "$(uninstall_value DisplayName)" "$display_name"
check "uninstall entry: DisplayVersion is the version" \
  equals "$(uninstall_value DisplayVersion)" "$version"
check "uninstall entry: Publisher" test -n "$(uninstall_value Publisher)"
check "uninstall entry: DisplayIcon" equals "$(uninstall_value DisplayIcon)" \
  "C:\\Program Files\\UpdatePublisher\\$main_exe,0"
check "uninstall entry: InstallLocation" equals "$(uninstall_value InstallLocation)" \
  "C:\\Program Files\\UpdatePublisher"
check "uninstall entry: UninstallString" equals "$(uninstall_value UninstallString)" \
  "\"C:\\Program Files\\UpdatePublisher\\uninstall.exe\""
check "uninstall entry: QuietUninstallString" equals "$(uninstall_value QuietUninstallString)" \
  "\"C:\\Program Files\\UpdatePublisher\\uninstall.exe\" /S"
check "uninstall entry: NoModify, NoRepair" \
  equals "$(uninstall_value NoModify) $(uninstall_value NoRepair)" "1 1"
check "installed UpdatePublisher.exe opens its window" window_opens "$dir/UpdatePublisher.exe"

# As Windows runs it: the uninstaller copies itself away, so it can delete itself too;
# wineserver -w waits for that copy.
check "silent uninstall succeeds" wine "$dir/uninstall.exe" /S
wineserver -w
check "no file of the tool is left, nor its folder" test ! -e "$dir"
check "the shortcut is gone" test ! -e "$(shortcut)"
check "the uninstall entry is gone" test -z "$(uninstall_value DisplayName)"

echo "== with 7-Zip, folder given with /D="
new_prefix sevenzip || { echo "FAIL: wineboot" >&2; exit 1; }
sevenzip="$WINEPREFIX/drive_c/Program Files/7-Zip"
mkdir -p "$sevenzip"
cp "$stand_in" "$sevenzip/7z.exe"
echo "not a real library" >"$sevenzip/7z.dll"
wine reg add 'HKLM\SOFTWARE\7-Zip' /v Path /t REG_SZ /d 'C:\Program Files\7-Zip\' /f >/dev/null
check "silent install into C:\\Програми\\Актуализации succeeds" \
  wine "$setup" /S '/D=C:\Програми\Актуализации'
wineserver -w
dir="$WINEPREFIX/drive_c/Програми/Актуализации"
check "7z.exe copied as SEVENZIP.exe" cmp -s "$sevenzip/7z.exe" "$dir/SEVENZIP.exe"
check "7z.dll copied beside it" cmp -s "$sevenzip/7z.dll" "$dir/7z.dll"
mkdir -p "$WINEPREFIX/drive_c/patch"
echo "<descriptor/>" >"$WINEPREFIX/drive_c/patch/descriptor.xml"
check "installed updtool.exe archives with the copied archiver" \
  wine "$dir/updtool.exe" archive --password secret -o 'C:\update' 'C:\patch'
check "the archive is what the archiver wrote" \
  equals "$(cat "$WINEPREFIX/drive_c/update.upd" 2>/dev/null)" "partial"
check "silent uninstall succeeds" wine "$dir/uninstall.exe" /S
wineserver -w
# The stand-in's records were not installed by the setup: they and the folder stay.
check "only files the setup did not install are left" \
  equals "$(files_in "$dir")" "arguments.txt startup.txt "
check "the uninstall entry is gone" test -z "$(uninstall_value DisplayName)"

echo "setup: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
