#!/bin/sh
# The form of the binaries users get: the import tables and the hardening fields of their headers.
#   check-shipped.sh OBJDUMP GUI_PROGRAM CONSOLE_PROGRAM LIBRARY
# - At load time each imports only DLLs on Windows' KnownDLLs list (Windows 7 to 11), which the loader always takes
#   from the system directory, never from the program's folder; the GUI program may also import comctl32, which its
#   manifest's side-by-side dependency resolves from the system's assembly store. Every other DLL is loaded at run
#   time from the system directory (planted-dll-test.sh shows that).
# - Stack canaries: libssp's random canary comes from advapi32's CryptGenRandom, which nothing else calls, so its
#   import shows that the stack-protector runtime is linked in, even in a binary without symbols.
# - OS and subsystem version 6.1 (Windows 7); ASLR with high entropy, NX; Terminal Services aware (the programs);
#   no symbol table.
set -eu
objdump=$1
status=0

fail() {
  echo "FAIL: $*" >&2
  status=1
}

known_dlls="advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll rpcrt4.dll
setupapi.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll"

# check KIND FILE: KIND is gui, console or dll.
check() {
  kind=$1 file=$2 name=$(basename "$2")
  headers=$("$objdump" -p "$file") || { fail "$name: objdump cannot read it"; return; }
  # Lines "dll:function" of the import table, in lower case.
  imports=$(echo "$headers" | awk '
    /^[[:space:]]*DLL Name: / { dll = tolower($3); next }
    /^[[:space:]]*$/ { dll = "" }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print dll ":" tolower($3) }')
  dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  [ -n "$dlls" ] || fail "$name: no imports found"
  allowed=$known_dlls
  [ "$kind" = gui ] && allowed="$allowed comctl32.dll"
  for dll in $dlls; do
    case " $(echo $allowed) " in
      *" $dll "*) ;;
      *) fail "$name imports $dll at load time, which is not a KnownDLL" ;;
    esac
  done
  echo "$imports" | grep -qx "advapi32.dll:cryptgenrandom" ||
    fail "$name has no stack-protector runtime (no import of CryptGenRandom)"

  field() { echo "$headers" | awk -v key="$1" '$1 == key { print $2; exit }'; }
  for key in MajorOSystemVersion MajorSubsystemVersion; do
    [ "$(field $key)" = 6 ] || fail "$name: $key is $(field $key), not 6"
  done
  for key in MinorOSystemVersion MinorSubsystemVersion; do
    [ "$(field $key)" = 1 ] || fail "$name: $key is $(field $key), not 1"
  done
  for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
    echo "$headers" | grep -q "^[[:space:]]*$flag\$" || fail "$name lacks $flag"
  done
  if [ "$kind" = dll ]; then
    echo "$headers" | grep -q '^[[:space:]]*TERMINAL_SERVICE_AWARE$' && fail "$name: a DLL must not be TERMINAL_SERVICE_AWARE"
  else
    echo "$headers" | grep -q '^[[:space:]]*TERMINAL_SERVICE_AWARE$' || fail "$name lacks TERMINAL_SERVICE_AWARE"
  fi
  symbols=$("$objdump" -t "$file" | grep -c '^\[' || true)
  [ "$symbols" = 0 ] || fail "$name still carries $symbols symbols"
  echo "$name: $(echo $dlls)"
  echo "$headers" | grep -E '^(Major|Minor)(OSystem|Subsystem)Version|^DllCharacteristics' | tr -s ' \t' ' ' |
    tr '\n' ';'
  echo
}

check gui "$2"
check console "$3"
check dll "$4"
[ "$status" = 0 ] && echo "all three binaries have the shipped form"
exit $status
