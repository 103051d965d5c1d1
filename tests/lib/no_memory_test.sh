#!/bin/sh
# Each allocation of a whole call of lumohostid_get and of lumohostid_report_json fails in turn, through a library
# preloaded into the example consumer: every call gives the host ID the main program writes, or fails with "out of
# memory" (LUMOHOSTID_E_NO_MEMORY), never another ID and never "no adapter" (an empty line).
#   no_memory_test.sh WORKDIR CONSUMER MAIN FAIL_ALLOCATION_LIBRARY
set -eu
work=$1
consumer=$2
main=$3
shim=$4
. "$(dirname "$0")/../support/prologue.sh"

fresh_dir "$work"
cd "$work"

"$main" /exit:host.txt || fail "the main program exited $?"
written=$(written_host_id host.txt)
[ -n "$written" ] || fail "this machine has no host ID to compare with"

for mode in get json; do
  args=
  [ "$mode" = json ] && args=--json
  # shellcheck disable=SC2086 # no argument or one
  LD_PRELOAD=$shim LUMO_ALLOCATION_COUNT_FILE=count.txt "$consumer" $args >out.txt || fail "$mode: the counting run exited $?"
  count=$(cat count.txt)
  [ "$count" -gt 10 ] && [ "$count" -lt 20000 ] || fail "$mode: $count allocations"
  failures=0
  n=1
  while [ "$n" -le "$count" ]; do
    set +e
    # shellcheck disable=SC2086
    LD_PRELOAD=$shim LUMO_FAIL_ALLOCATION=$n timeout 10 "$consumer" $args >out.txt 2>err.txt
    rc=$?
    set -e
    if [ "$rc" = 0 ]; then
      if [ "$mode" = get ]; then
        [ "$(cat out.txt)" = "$written" ] || fail "get, allocation $n: '$(cat out.txt)' instead of '$written'"
      else
        grep -q "^  \"host_id\": \"$written\",\$" out.txt || fail "json, allocation $n: $(head -3 out.txt)"
      fi
    elif [ "$rc" = 1 ]; then
      grep -q ': out of memory$' err.txt || fail "$mode, allocation $n: $(cat err.txt)"
      failures=$((failures + 1))
    else
      fail "$mode, allocation $n: exit code $rc"
    fi
    n=$((n + 1))
  done
  [ "$failures" -gt 0 ] || fail "$mode: no refused allocation failed the call"
  echo "$mode: $count allocations, $failures of them failed the call, the others gave $written"
done
