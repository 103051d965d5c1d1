#!/bin/sh
# Creates, initialises or shuts down a Wine prefix for the Windows tests.
#   wine-prefix.sh init PREFIX   create the prefix when needed and wait until Wine has finished setting it up
#   wine-prefix.sh stop PREFIX   shut down the prefix's wine server
set -eu
action=$1
prefix=$2
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
case "$action" in
  init)
    mkdir -p "$prefix"
    if [ ! -f "$prefix/system.reg" ]; then
      /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
      # wineboot returns before the registry is on disk: wait for its server to finish and save.
      "$wineserver" -w >/dev/null 2>&1 || true
    fi
    # Keep one server running for the whole test run: every test then starts in a fraction of the time.
    "$wineserver" -p >/dev/null 2>&1 || true
    /usr/lib/wine/wine64 cmd /c exit 0 >/dev/null 2>&1
    ;;
  stop)
    "$wineserver" -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 init|stop PREFIX" >&2
    exit 2
    ;;
esac
