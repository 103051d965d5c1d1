#!/bin/sh
# Runs a Windows program under Wine on an Xvfb display of its own, inside a Wine virtual desktop, and exits with the
# program's exit code.
#   run-in-wine-desktop.sh PROGRAM [ARGUMENTS...]
# The prefix comes from WINEPREFIX. In a virtual desktop Wine manages the windows itself: no window manager is
# needed, windows go where the program puts them, and hiding one does not wait for a window manager to answer.
# The desktop is chosen for this program's file name alone (AppDefaults), so nothing else in the prefix changes.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
program=$1
shift
name=$(basename "$program")
wine=/usr/lib/wine/wine64
$wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v LumoTests /d 1024x768 /f >/dev/null 2>&1
$wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$name\\Explorer" /v Desktop /d LumoTests /f >/dev/null 2>&1
exec xvfb-run -a -s "-screen 0 1024x768x24" $wine "$program" "$@"
