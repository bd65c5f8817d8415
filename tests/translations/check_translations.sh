#!/bin/sh
# Usage: check_translations.sh LUPDATE TS_FILE SOURCE_LIST [LUPDATE_OPTION]...
#
# Checks a committed translation file: lupdate, run with the build's options
# on a copy of it, changes nothing (no text of the sources is new, changed
# or gone) and warns of nothing, and no entry is unfinished or empty.
set -eu
lupdate=$1 ts=$2 list=$3
shift 3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/copy.ts"
failed=0

if ! "$lupdate" -silent "$@" "@$list" -ts "$work/copy.ts" >"$work/lupdate.log" 2>&1; then
  echo "lupdate failed:"
  cat "$work/lupdate.log"
  exit 1
fi
if [ -s "$work/lupdate.log" ]; then
  echo "lupdate warns:"
  cat "$work/lupdate.log"
  failed=1
fi
if ! cmp -s "$ts" "$work/copy.ts"; then
  echo "The sources' texts differ from $ts (lines with + are new there):"
  diff -u "$ts" "$work/copy.ts" || true
  echo "Update it with: cmake --build --preset default --target update_translations"
  failed=1
fi
if grep -n -e 'type="unfinished"' -e 'type="vanished"' -e 'type="obsolete"' "$ts"; then
  echo "Entries above are not finished in $ts."
  failed=1
fi
if grep -n -e '<translation></translation>' -e '<translation/>' "$ts"; then
  echo "Entries above have an empty translation in $ts."
  failed=1
fi
messages=$(grep -c '<message>' "$ts" || true)
if [ "$messages" -eq 0 ]; then
  echo "$ts holds no entry."
  failed=1
fi
[ "$failed" -eq 0 ] && echo "$ts: $messages entries, all translated, in step with the sources."
exit "$failed"
