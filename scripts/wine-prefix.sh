#!/usr/bin/env bash
# The wine prefix of the Windows tests.
#   wine-prefix.sh up PREFIX    create PREFIX once (about 15 s) and start a
#                               wine server that stays until "down"
#   wine-prefix.sh down PREFIX  stop that wine server
# The server is started with its standard streams on /dev/null: it outlives
# this script, and a test runner would otherwise wait for its pipes.
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

case $action in
up)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p </dev/null >/dev/null 2>&1
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
