#!/bin/sh
# Creates and starts the seeded Wine prefix:  init-seeded-prefix.sh PREFIX
#
# On a new prefix Wine's first boot runs under a wine server of its own that ends only when its services do; the
# services it leaves behind do not include the NDIS driver's adapter devices, and while any program keeps that
# server alive they do not appear. Waiting for that server to end makes the persistent server that
# cmake/wine-prefix.sh starts boot every service, NDIS included, before the seeding program runs.
set -eu
prefix=$1
if [ ! -f "$prefix/system.reg" ]; then
  export WINEPREFIX="$prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  wineserver=/usr/lib/wine/wineserver64
  [ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
  mkdir -p "$prefix"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  "$wineserver" -w
fi
exec "$(dirname "$0")/../../cmake/wine-prefix.sh" init "$prefix"
