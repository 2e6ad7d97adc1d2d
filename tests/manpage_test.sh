#!/bin/bash
# updtool's manual page (written by hand) documents every command, every option that the
# command's --help lists, and every exit status. Usage: manpage_test.sh UPDTOOL PAGE
set -euo pipefail
tool=$1
page=$2
# The page's text without roff's escapes for minus signs and fonts.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
missing=0
for command in pack unpack list archive publish; do
  grep -qE "^\.B[IR]? \"?$command( |\"|$)" <<<"$text" || { echo "command $command"; missing=1; }
  for option in $("$tool" "$command" --help | grep -oE '(^|[[:space:],])--?[a-z][a-z-]*' |
                  tr -d ' ,' | sort -u); do
    grep -qe "$option" <<<"$text" || { echo "$command's option $option"; missing=1; }
  done
done
for status in 0 1 2 129 130 131 143; do
  grep -E '^\.BR? ' <<<"$text" | grep -qw -- "$status" || { echo "exit status $status"; missing=1; }
done
if command -v man >/dev/null; then
  warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$warnings"; missing=1; }
fi
[ "$missing" = 0 ] || { echo "^ missing from $page" >&2; exit 1; }
