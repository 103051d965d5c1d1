#!/bin/sh
# A snapshot of this machine replays to the host ID that the main program writes on it, and compares with the
# machine itself as unchanged.
#   live_hostid_test.sh WORKDIR INSPECT MAIN [LAUNCHER...]
# Exits 77 (skipped) when the machine has no adapter to take a host ID from: then there is nothing to compare.
set -eu
work=$1
inspect=$2
main=$3
shift 3
. "$(dirname "$0")/../support/prologue.sh"

fresh_dir "$work"
cd "$work"

"$@" "$inspect" --snapshot snapshot.json || fail "--snapshot exited $?"
"$@" "$inspect" --replay snapshot.json --json >replay.json || fail "--replay exited $?"
"$@" "$inspect" --json >live.json || fail "the live report exited $?"
"$@" "$main" /exit:host.txt || fail "the main program exited $?"
"$@" "$inspect" --diff snapshot.json - >diff.txt || fail "--diff with this machine exited $?"
"$@" "$inspect" --what-if --json >what-if.json || fail "--what-if on this machine exited $?"

replayed=$(json_host_id replay.json)
live=$(json_host_id live.json)
written=$(written_host_id host.txt)
size=$(wc -c <host.txt)

echo "main program: '$written'  replayed snapshot: '$replayed'  live report: '$live'"
[ "$size" = $((${#written} + 1)) ] || fail "the output file is not the host ID and one zero byte ($size bytes)"
[ "$replayed" = "$written" ] || fail "the replayed snapshot gives '$replayed', the main program wrote '$written'"
[ "$live" = "$written" ] || fail "the live report gives '$live', the main program wrote '$written'"
[ "$(json_host_id what-if.json)" = "$written" ] || fail "the what-if starts from '$(json_host_id what-if.json)'"
head -1 diff.txt | grep -q '^The host ID did not change' || fail "--diff with this machine: $(head -1 diff.txt)"
grep -q '^Records: 0 added, 0 removed, 0 changed' diff.txt || fail "--diff with this machine: $(cat diff.txt)"
if [ -z "$written" ]; then
  echo "no adapter with an address on this machine: nothing to compare"
  exit 77
fi
echo "live test passed"
