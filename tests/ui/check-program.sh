#!/bin/sh
# Checks the form of LumoHostID.exe: a 64-bit (PE32+) program of the Windows GUI subsystem, so that it opens no
# console, which imports nothing but DLLs of Windows itself (the C++ runtime is linked in statically).
#   check-program.sh OBJDUMP PROGRAM
set -eu
objdump=$1
program=$2
headers=$("$objdump" -p "$program")
status=0
echo "$headers" | grep -q '^Magic[[:space:]]*020b' || { echo "$program is not a 64-bit (PE32+) program" >&2; status=1; }
echo "$headers" | grep -q '^Subsystem[[:space:]]*00000002' || { echo "$program is not a GUI program" >&2; status=1; }
dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "$program: no imports found" >&2; status=1; }
for dll in $dlls; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|comctl32.dll|ole32.dll|setupapi.dll|\
    ws2_32.dll|msvcrt.dll) ;;
    api-ms-win-crt-*.dll) ;;
    *) echo "$program imports $dll, which is not a system DLL" >&2; status=1 ;;
  esac
done
echo "$(basename "$program"): $(echo $dlls)"
exit $status
