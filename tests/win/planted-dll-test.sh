#!/bin/sh
# A planted iphlpapi.dll beside each shipped program, and beside a program that uses lumohostid.dll, is never loaded,
# and each still gives the host ID. WINEDLLOVERRIDES="iphlpapi=n,b" makes Wine search a program's folder first for
# that DLL, as Windows does for any DLL outside its KnownDLLs list. A control program that imports iphlpapi at load
# time must load the planted DLL; otherwise the test could not see anything. Last, each program's first act must be
# the call that keeps every later DLL search in the system directory.
# (A planted version.dll cannot be shown this way: with that override Wine's own processes, whose user32 and
# setupapi import version.dll at load time, would load it too.) Instead the relay trace of a probe that reads a
# version through the programs' version reader must show version.dll asked for with LOAD_LIBRARY_SEARCH_SYSTEM32
# (0x800) and never by a bare LoadLibraryW; Wine's drive Z: is the Unix root, through which the probe is given the
# program's absolute path.
#   planted-dll-test.sh WORKDIR WINE_RUN PLANTED_DLL CONTROL MAIN INSPECT CONSUMER LIBRARY_DLL VERSION_PROBE VERSION
set -eu
work=$1 wine_run=$2 planted=$3 control=$4 main=$5 inspect=$6 consumer=$7 library=$8 probe=$9 version=${10}

fail() {
  echo "FAIL: $*" >&2
  status=1
}
status=0

rm -rf "$work"
mkdir -p "$work/reference"

# The host ID as the program gives it with Wine's own iphlpapi and no plant anywhere near.
(cd "$work/reference" && "$wine_run" "$main" /exit:id.txt) || { echo "FAIL: the reference run exited $?" >&2; exit 1; }
expected=$(tr -d '\000' <"$work/reference/id.txt")
echo "host ID without a planted DLL: '$expected'"

# plant NAME DLL FILE...: a folder holding copies of the files and the planted DLL under the name DLL.
plant() {
  folder=$work/$1
  dll=$2
  shift 2
  mkdir -p "$folder"
  cp "$@" "$folder/"
  cp "$planted" "$folder/$dll"
}

overrides="iphlpapi=n,b;mscoree,mshtml="

# ran NAME: whether the planted DLL ran in that folder. Its marker is named after the module as the loader named
# it, whose letter case follows the import table or the LoadLibrary call.
ran() {
  ls "$work/$1" | grep -qi '\.dll\.ran$'
}

plant control iphlpapi.dll "$control"
(cd "$work/control" && WINEDLLOVERRIDES=$overrides "$wine_run" ./"$(basename "$control")") || true
ran control ||
  { echo "FAIL: the control program did not load the planted DLL, so this test proves nothing" >&2; exit 1; }

plant main iphlpapi.dll "$main"
(cd "$work/main" && WINEDLLOVERRIDES=$overrides "$wine_run" ./"$(basename "$main")" /exit:id.txt) ||
  fail "$(basename "$main") exited $?"
ran main && fail "$(basename "$main") loaded the planted iphlpapi.dll"
written=$(tr -d '\000' <"$work/main/id.txt" 2>/dev/null || echo "(no file)")
[ "$written" = "$expected" ] || fail "$(basename "$main") wrote '$written' beside the planted DLL"

plant inspect iphlpapi.dll "$inspect"
(cd "$work/inspect" && WINEDLLOVERRIDES=$overrides "$wine_run" ./"$(basename "$inspect")" --json | tr -d '\r' \
  >report.json) || fail "$(basename "$inspect") exited $?"
ran inspect && fail "$(basename "$inspect") loaded the planted iphlpapi.dll"
reported=$(sed -n 's/^  "host_id": "\(.*\)",$/\1/p' "$work/inspect/report.json")
[ "$reported" = "$expected" ] || fail "$(basename "$inspect") reported '$reported' beside the planted DLL"

plant library iphlpapi.dll "$consumer" "$library"
(cd "$work/library" && WINEDLLOVERRIDES=$overrides "$wine_run" ./"$(basename "$consumer")" | tr -d '\r' \
  >consumer.txt) || fail "$(basename "$consumer") exited $?"
ran library && fail "$(basename "$library") loaded the planted iphlpapi.dll"
printed=$(cat "$work/library/consumer.txt")
[ "$printed" = "$expected" ] || fail "$(basename "$consumer") printed '$printed' beside the planted DLL"

# Each program's first act restricts the DLL search to the system directory: Wine's relay trace shows the call to
# SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) before the program's own code (the image at 0x140000000,
# the return address of its calls) has called any LoadLibrary function. Loads that Wine's DLLs make while they are
# initialised, before the program's first instruction, are not the program's; the trace also holds Wine's own
# processes, told apart by the thread number that begins each line.
first_act() {
  WINEDEBUG=+relay "$wine_run" "$@" 2>&1 >/dev/null | awk -F: '
    /Call KERNEL32\.SetDefaultDllDirectories\(00000800\)/ && !($1 in loaded) { found = 1; exit }
    /Call KERNEL32\.LoadLibrary.* ret=140[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]$/ { loaded[$1] = 1 }
    END { print found ? "first" : "late" }' || true
}
[ "$(cd "$work/main" && first_act ./"$(basename "$main")" /exit:relay.txt)" = first ] ||
  fail "$(basename "$main") does not restrict the DLL search before it loads a DLL"
[ "$(cd "$work/inspect" && first_act ./"$(basename "$inspect")")" = first ] ||
  fail "$(basename "$inspect") does not restrict the DLL search before it loads a DLL"

WINEDEBUG=+relay "$wine_run" "$probe" "Z:$main" 2>"$work/version-relay.txt" | tr -d '\r' >"$work/version.txt" ||
  fail "$(basename "$probe") exited $?"
[ "$(cat "$work/version.txt")" = "$version" ] || fail "the version reader read '$(cat "$work/version.txt")'"
grep -qi 'Call KERNEL32\.LoadLibraryExW([0-9a-f]* L"version\.dll",00000000,00000800)' "$work/version-relay.txt" ||
  fail "the version reader did not ask for version.dll in the system directory only"
grep -qi 'Call KERNEL32\.LoadLibrary[AW]([0-9a-f]* [L]*"version\.dll")' "$work/version-relay.txt" &&
  fail "the version reader loaded version.dll by its bare name"
rm -f "$work/version-relay.txt"

[ "$status" = 0 ] && echo "no planted DLL was loaded; every program gave '$expected'"
exit $status
