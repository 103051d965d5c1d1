#!/bin/sh
# Runs the two programs end to end under valgrind's memcheck; any error or leak fails. (Memory still reachable at
# exit, such as the C++ runtime's emergency exception pool, is no leak.)
#   valgrind-runs.sh LUMOHOSTID INSPECT EXAMPLES_DIR
set -eu
lumohostid=$1
inspect=$2
examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# memcheck STATUS COMMAND...: the command must exit with STATUS, and valgrind must find nothing.
memcheck() {
  expected=$1
  shift
  status=0
  valgrind --quiet --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible \
    "$@" >"$work/out" 2>"$work/err" || status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "under valgrind: $* exited $status, expected $expected" >&2
    cat "$work/err" >&2
    exit 1
  fi
}

memcheck 0 "$lumohostid" "/exit:$work/ids/a/host.txt"
memcheck 0 "$lumohostid"
memcheck 1 "$lumohostid" "/exit:"
memcheck 0 "$inspect"
memcheck 0 "$inspect" --json
memcheck 0 "$inspect" --snapshot "$work/snapshot.json"
memcheck 0 "$inspect" --replay "$work/snapshot.json" --json
for example in "$examples"/*.json; do
  memcheck 0 "$inspect" --replay "$example"
done
printf '{"format": 1, "devices": [' >"$work/truncated.json"
memcheck 2 "$inspect" --replay "$work/truncated.json"
memcheck 2 "$inspect" --no-such-option
echo "valgrind: no errors and no leaks"
