#!/bin/sh
# Fails when a Windows program imports a DLL that is not part of Windows itself.
#   check-imports.sh OBJDUMP PROGRAM...
set -eu
objdump=$1
shift
status=0
for program in "$@"; do
  dlls=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  [ -n "$dlls" ] || { echo "$program: no imports found" >&2; status=1; }
  for dll in $dlls; do
    case "$dll" in
      kernel32.dll|advapi32.dll|ole32.dll|setupapi.dll|iphlpapi.dll|user32.dll|msvcrt.dll|ws2_32.dll) ;;
      api-ms-win-crt-*.dll) ;;
      *) echo "$program imports $dll, which is not a system DLL" >&2; status=1 ;;
    esac
  done
  echo "$(basename "$program"): $(echo $dlls)"
done
exit $status
