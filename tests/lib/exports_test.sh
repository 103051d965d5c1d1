#!/bin/sh
# Only the interface of lumohostid.h leaves the library.
#   exports_test.sh elf NM SHARED_LIBRARY STATIC_ARCHIVE READELF
#   exports_test.sh dll OBJDUMP DLL CHECK_IMPORTS
set -eu
kind=$1
tool=$2
library=$3
. "$(dirname "$0")/../support/prologue.sh"

interface="lumohostid_check
lumohostid_free
lumohostid_get
lumohostid_report_json
lumohostid_strerror
lumohostid_version"

check_names() {
  # $1 says where the names come from; standard input holds them, one a line.
  names=$(sort -u)
  [ "$names" = "$interface" ] || fail "$1 exports other names than the interface:
$(echo "$names" | grep -vxF "$interface" | head -20)
missing: $(echo "$interface" | grep -vxF "$names" | tr '\n' ' ')"
}

case "$kind" in
elf)
  static=$4
  readelf=$5
  # Defined dynamic symbols, without the version node that the version script adds.
  "$tool" -D --defined-only "$library" | awk '{print $NF}' | grep -v '^LUMOHOSTID_[0-9]*$' \
    | sed 's/@.*//' | check_names "$(basename "$library")"
  soname=$("$readelf" -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ "$soname" = liblumohostid.so.1 ] || fail "SONAME is '$soname'"
  # The static archive's global definitions: everything else was made local when it was linked.
  "$tool" -g --defined-only "$static" | awk 'NF == 3 {print $3}' | check_names "$(basename "$static")"
  ;;
dll)
  check_imports=$4
  # The export table lists ordinal, hint... and the name as the last field of each "[n] name" line.
  "$tool" -p "$library" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' \
    | check_names "$(basename "$library")"
  sh "$check_imports" "$tool" "$library"
  ;;
*)
  fail "unknown kind $kind"
  ;;
esac
echo "only the interface is exported"
