#!/bin/sh
# The GUI test of LumoHostID.exe: the test-only driver (lumo_gui_driver.exe) works the real dialogs under Wine on an
# Xvfb display of the test's own, in a Wine virtual desktop (Wine then draws the window frames itself, with no
# window manager), and this script takes the screenshots the driver asks for.
#   gui-test.sh DRIVER PROGRAM WORKDIR SCREENSHOTDIR VERSION [DPI]
# The prefix comes from WINEPREFIX. The screenshots are WORKDIR/main.png and WORKDIR/about.png, copied to
# SCREENSHOTDIR/main-dialog.png and SCREENSHOTDIR/about-dialog.png when the test passes. With a DPI other than 96
# (Wine's LogPixels, 144 for 150 % and 192 for 200 % scaling) the display and the desktop grow by the same factor
# and the copies are named main-dialog-<DPI>dpi.png and about-dialog-<DPI>dpi.png.
set -eu

if [ "${1:-}" = "--session" ]; then
  # Inside xvfb-run: run the driver and answer its screenshot requests. Every wait is bounded.
  shift
  driver=$1 program=$2 work=$3 version=$4 size=$5
  winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
  timeout 300 /usr/lib/wine/wine64 explorer /desktop=LumoScreens,$size \
    "$(winpath "$driver")" "$(winpath "$program")" "$(winpath "$work")" "$version" &
  session=$!
  for shot in main about; do
    waited=0
    while [ ! -f "$work/$shot.ready" ] && [ ! -f "$work/result.txt" ] && [ $waited -lt 1200 ]; do
      sleep 0.1
      waited=$((waited + 1))
    done
    [ -f "$work/$shot.ready" ] || break
    read -r x y w h < "$work/$shot.ready"
    # The virtual desktop sits at the top left of the display, so desktop coordinates are screen coordinates.
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/$shot.png"
    touch "$work/$shot.done"
  done
  wait $session || true
  exit 0
fi

driver=$1 program=$2 work=$3 screenshots=$4 version=$5 dpi=${6:-96}
case $dpi in
  *[!0-9]*|'') echo "DPI must be a number, not '$dpi'" >&2; exit 2 ;;
esac
size=$((1024 * dpi / 96))x$((768 * dpi / 96))
suffix=""
[ "$dpi" = 96 ] || suffix=-${dpi}dpi
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
command -v import >/dev/null || { echo "ImageMagick's import is needed for the screenshots" >&2; exit 1; }

# Debian's Wine finds its own fonts only in the prefix's Fonts folder; without Marlett the caption buttons would show
# as letters in the screenshots. Wine's Marlett and Tahoma are copied there when missing.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -d "$fonts" ]; then
  for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
    [ -f "$fonts/$font" ] || [ ! -f "/usr/share/wine/fonts/$font" ] || cp "/usr/share/wine/fonts/$font" "$fonts/"
  done
fi

# The display's DPI, set every time (also 96), so that a run that was killed before it could take its own setting
# away leaves no other run at the wrong scale; taken away again when this run ends.
desktop_key='HKCU\Control Panel\Desktop'
/usr/lib/wine/wine64 reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
  { echo "cannot set LogPixels to $dpi" >&2; exit 1; }
trap '/usr/lib/wine/wine64 reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1 || true' EXIT
trap 'exit 1' INT TERM

rm -rf "$work"
mkdir -p "$work"
xvfb-run -a -s "-screen 0 ${size}x24" "$0" --session "$driver" "$program" "$work" "$version" "$size"

if [ ! -f "$work/result.txt" ]; then
  echo "the driver left no result" >&2
  exit 1
fi
cat "$work/result.txt"
[ "$(head -n 1 "$work/result.txt")" = "PASS" ] || exit 1
for shot in main about; do
  [ -s "$work/$shot.png" ] || { echo "no screenshot $shot.png" >&2; exit 1; }
done
mkdir -p "$screenshots"
cp "$work/main.png" "$screenshots/main-dialog$suffix.png"
cp "$work/about.png" "$screenshots/about-dialog$suffix.png"
echo "screenshots in $screenshots"
