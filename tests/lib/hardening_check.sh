#!/bin/sh
# Checks that ELF binaries carry the hardening of Debian's dpkg-buildflags (hardening=+all): position-independent
# executables, read-only relocations bound at load time, the stack protector and fortified libc functions.
#   hardening_check.sh READELF NM BINARY...
# An executable must be PIE; a shared library is position-independent by nature.
set -eu
readelf=$1
nm=$2
shift 2
[ $# -gt 0 ] || { echo "FAIL: no binary to check" >&2; exit 1; }

failed=0
fail() {
  echo "FAIL: $1: $2" >&2
  failed=1
  bad=1
}

for binary in "$@"; do
  bad=0
  [ -f "$binary" ] || { fail "$binary" "missing"; continue; }
  header=$("$readelf" -hW "$binary")
  dynamic=$("$readelf" -dW "$binary")
  segments=$("$readelf" -lW "$binary")
  symbols=$("$nm" -D "$binary")
  case $binary in
    *.so | *.so.*) ;;
    *) echo "$dynamic" | grep -q 'FLAGS_1.*PIE' || fail "$binary" "not a position-independent executable" ;;
  esac
  echo "$header" | grep -q 'Type: *DYN' || fail "$binary" "not position-independent (ELF type is not DYN)"
  echo "$segments" | grep -q 'GNU_RELRO' || fail "$binary" "no read-only relocations (-Wl,-z,relro)"
  echo "$dynamic" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW' || fail "$binary" "symbols not bound at load time (-Wl,-z,now)"
  echo "$symbols" | grep -q ' U __stack_chk_fail' || fail "$binary" "no stack protector (-fstack-protector-strong)"
  echo "$symbols" | grep -Eq ' U __[a-z_]+_chk(@|$)' || fail "$binary" "no fortified libc function (-D_FORTIFY_SOURCE=2)"
  [ $bad -ne 0 ] || echo "hardened: $binary"
done
exit $failed
