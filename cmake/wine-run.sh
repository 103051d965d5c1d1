#!/bin/sh
# Runs one Windows program under Wine; CTest uses this as the emulator of the cross build.
# The prefix comes from the test's WINEPREFIX; cmake/wine-prefix.sh creates and initialises it.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix of the build}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine would offer to install Mono and Gecko on first use; the programs need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$@"
