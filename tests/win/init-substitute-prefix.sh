#!/bin/sh
# Creates and starts the substitute prefix:  init-substitute-prefix.sh PREFIX NETCFG_SERVER_DLL CFGMGR32_DLL
#
# Wine's own cfgmgr32 is kept in system32 as winecfgmgr32.dll, where the substitute forwards every export it does not
# answer itself, and the substitute takes its place; the prefix's DLL overrides have Wine load it (the same as
# WINEDLLOVERRIDES=cfgmgr32=n, which a test's environment could not carry past CTest's list separator). The
# server becomes the InprocServer32 of CLSID_CNetCfg, so that CoCreateInstance loads it instead of Wine's netcfgx.
set -eu
prefix=$1
server=$2
cfgmgr32=$3
"$(dirname "$0")/../../cmake/wine-prefix.sh" init "$prefix"
system32="$prefix/drive_c/windows/system32"
# Only Wine's own DLL, the one with Wine's mark, is kept: a second run must not keep the substitute.
if head -c 128 "$system32/cfgmgr32.dll" | grep -aq "Wine builtin DLL"; then
  cp "$system32/cfgmgr32.dll" "$system32/winecfgmgr32.dll"
fi
cp "$cfgmgr32" "$system32/cfgmgr32.dll"
cp "$server" "$system32/lumo_netcfg_server.dll"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
key='HKLM\Software\Classes\CLSID\{5B035261-40F9-11D1-AAEC-00805FC1270E}\InprocServer32'
/usr/lib/wine/wine64 reg add "$key" /ve /d 'C:\windows\system32\lumo_netcfg_server.dll' /f >/dev/null
/usr/lib/wine/wine64 reg add "$key" /v ThreadingModel /d Both /f >/dev/null
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\DllOverrides' /v cfgmgr32 /d native /f >/dev/null
