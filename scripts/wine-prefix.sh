#!/usr/bin/env bash
# The wine prefix of the Windows tests.
#   wine-prefix.sh up PREFIX    create PREFIX once (about 15 s), and beside it
#                               a zh_CN.UTF-8 locale (PREFIX.locales, for
#                               LOCPATH), and start a wine server that stays
#                               until "down"
#   wine-prefix.sh down PREFIX  stop that wine server
# The server is started with its standard streams on /dev/null: it outlives
# this script, and a test runner would otherwise wait for its pipes.
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

case $action in
up)
  # Wine takes the workstation's language and ANSI code page from LC_ALL,
  # and its file names from the same locale, which must exist for that.
  locales="$WINEPREFIX.locales"
  if [ ! -d "$locales/zh_CN.UTF-8" ]; then
    mkdir -p "$locales"
    localedef -i zh_CN -f UTF-8 "$locales/zh_CN.UTF-8" >/dev/null 2>&1 ||
      echo "warning: localedef cannot make zh_CN.UTF-8 (package locales missing?)" >&2
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p </dev/null >/dev/null 2>&1 || true # one may be running already
  wine cmd /c exit </dev/null >/dev/null 2>&1
  ;;
down)
  wineserver -k </dev/null >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: $0 up|down PREFIX" >&2
  exit 2
  ;;
esac
