#!/bin/sh
# Runs the built lumohostid-inspect as a process: exit codes, what goes to standard output and standard error, and
# the bytes of both streams.
#   cli_test.sh WORKDIR EXAMPLES_DIR INSPECT [LAUNCHER...]
# Files are handed over by relative names from WORKDIR, which the Windows program sees through Wine as well.
set -eu
work=$1
examples=$2
inspect=$3
shift 3
. "$(dirname "$0")/../support/prologue.sh"

fresh_dir "$work"
cd "$work"
cp "$examples/wired_pci_desktop.json" desktop.json

# The typical run from its example, as JSON and as text.
"$@" "$inspect" --replay desktop.json --json >out.txt 2>err.txt || fail "replay exited $?"
[ ! -s err.txt ] || fail "replay wrote to standard error: $(cat err.txt)"
grep -q '^  "host_id": "44-9D-95-72-3E",$' out.txt || fail "no host_id line in: $(cat out.txt)"
grep -q "$(printf '\r')" out.txt && fail "line ends were translated"
"$@" "$inspect" --replay desktop.json >out.txt 2>err.txt || fail "text replay exited $?"
grep -q '^Host ID: 44-9D-95-72-3E$' out.txt || fail "no Host ID line in: $(cat out.txt)"

# A UTF-8 computer name comes out as the same bytes whatever the console's code page.
sed 's/"WS-0042"/"B\\u00fcro-\\u6771\\u4eac"/' desktop.json >utf8.json
"$@" "$inspect" --replay utf8.json >out.txt 2>err.txt || fail "UTF-8 replay exited $?"
grep -q "^Computer name: $(printf 'B\303\274ro-\346\235\261\344\272\254')$" out.txt || fail "computer name bytes: $(head -1 out.txt)"

# On Linux a file name is bytes: one that is not UTF-8 is read, and named in a message, all the same.
if [ $# -eq 0 ]; then
  latin1=$(printf 'b\351ro.json')
  cp desktop.json "$latin1"
  "$inspect" --replay "$latin1" >out.txt 2>err.txt || fail "replay of a Latin-1 file name exited $?"
  grep -q '^Host ID: 44-9D-95-72-3E$' out.txt || fail "no Host ID line for the Latin-1 file name"
  echo '{' >"$latin1"
  set +e
  "$inspect" --replay "$latin1" >out.txt 2>err.txt
  rc=$?
  set -e
  [ "$rc" = 2 ] || fail "malformed Latin-1 file exited $rc"
  grep -q "^b$(printf '\357\277\275')ro.json: malformed JSON" err.txt || fail "message: $(cat err.txt)"
fi

# A malformed snapshot: exit code 2, nothing on standard output, one line on standard error.
sed 's/"address": "001A2B3C4D5E"/"address": "001A2B3C4D5E6F7081"/' desktop.json >nine.json
set +e
"$@" "$inspect" --replay nine.json --json >out.txt 2>err.txt
rc=$?
set -e
[ "$rc" = 2 ] || fail "malformed snapshot exited $rc"
[ ! -s out.txt ] || fail "malformed snapshot wrote to standard output"
[ "$(wc -l <err.txt)" = 1 ] || fail "expected one line on standard error: $(cat err.txt)"
grep -q '^nine.json: adapters\[0\].address: 9 bytes' err.txt || fail "message: $(cat err.txt)"

# A file that is not there.
set +e
"$@" "$inspect" --replay missing.json >out.txt 2>err.txt
rc=$?
set -e
[ "$rc" = 2 ] || fail "missing file exited $rc"
[ ! -s out.txt ] || fail "missing file wrote to standard output"
grep -q '^missing.json: cannot be read: ' err.txt || fail "message: $(cat err.txt)"

# The support desk's questions: exit 0 for a valid host ID and 1 for a mistyped one, the answer on standard output.
"$@" "$inspect" --check " 44-9d-95-72-3e " >out.txt 2>err.txt || fail "--check of a valid ID exited $?"
grep -q '^valid: 44-9D-95-72-3E$' out.txt || fail "--check answer: $(cat out.txt)"
set +e
"$@" "$inspect" --check 44-9D-95-72-3F --json >out.txt 2>err.txt
rc=$?
set -e
[ "$rc" = 1 ] || fail "--check of a mistyped ID exited $rc"
grep -q '"reason": "the check byte should be 3E: one of the pairs was mistyped"' out.txt ||
  fail "--check: $(cat out.txt)"
cp "$examples/laptop_wifi_usb_dock.json" laptop.json
"$@" "$inspect" --what-if --replay laptop.json >out.txt 2>err.txt || fail "--what-if exited $?"
grep -q '^\* unplugging the USB adapter {12345678-9abc-def0-1234-56789abcdef0} changes the host ID to E1-25-EC-32-1A ' \
  out.txt ||
  fail "--what-if: $(cat out.txt)"
"$@" "$inspect" --diff laptop.json desktop.json >out.txt 2>err.txt || fail "--diff of a changed ID exited $?"
head -1 out.txt | grep -q '^The host ID changed from C2-4D-F5-82-F8 to 44-9D-95-72-3E: ' ||
  fail "--diff: $(head -1 out.txt)"
set +e
"$@" "$inspect" --diff laptop.json nine.json >out.txt 2>err.txt
rc=$?
set -e
[ "$rc" = 2 ] || fail "--diff with a malformed NEW exited $rc"
[ "$(wc -l <err.txt)" = 1 ] || fail "expected one line on standard error: $(cat err.txt)"

# The worked examples in README.md are this program's output, line for line (run from the top of the tree, as there).
if [ $# -eq 0 ]; then
  for command in "--what-if --replay examples/laptop_wifi_usb_dock.json" \
                 "--diff examples/wifi_only_laptop.json examples/wifi_and_bluetooth.json" \
                 "--check 44-9D-59-72-3E" "--check 44-9D-95-77-3B"; do
    awk -v cmd="\$ lumohostid-inspect $command" '$0 == cmd {on=1; next} on && (/^\$ / || /^```/) {exit} on {print}' \
      "$examples/../README.md" >expected.txt
    [ -s expected.txt ] || fail "README.md shows no output of $command"
    # shellcheck disable=SC2086 # the command is words on purpose
    (cd "$examples/.." && "$inspect" $command) >actual.txt || true
    cmp -s expected.txt actual.txt || fail "README.md's output of $command differs: $(diff expected.txt actual.txt)"
  done
fi

# Snapshot files that are not regular files (Linux): a FIFO without a writer is "no data" at once in every mode
# that reads one, a pipe or a FIFO with a writer is read as a file is, and a device or a directory is refused. Every
# run is bounded by timeout, so that a reader that waits for a writer fails the test instead of hanging it.
if [ $# -eq 0 ]; then
  rm -f fifo
  mkfifo fifo
  for command in "--replay fifo" "--replay fifo --json" "--what-if --replay fifo" "--diff fifo desktop.json" \
                 "--diff desktop.json fifo" "--replay /dev/null" "--replay /dev/zero" "--replay ."; do
    set +e
    # shellcheck disable=SC2086 # the command is words on purpose
    timeout 10 "$inspect" $command >out.txt 2>err.txt
    rc=$?
    set -e
    [ "$rc" = 2 ] || fail "$command exited $rc"
    [ ! -s out.txt ] || fail "$command wrote to standard output"
    [ "$(wc -l <err.txt)" = 1 ] || fail "$command: expected one line on standard error: $(cat err.txt)"
  done
  timeout 10 "$inspect" --replay fifo >out.txt 2>err.txt || true
  grep -q '^fifo: cannot be read: no data$' err.txt || fail "FIFO without a writer: $(cat err.txt)"
  timeout 10 "$inspect" --replay /dev/zero >out.txt 2>err.txt || true
  grep -q '^/dev/zero: cannot be read: not a regular file, a FIFO or a pipe$' err.txt || fail "device: $(cat err.txt)"

  timeout 10 "$inspect" --replay /dev/stdin <desktop.json >out.txt 2>err.txt || fail "redirected stdin exited $?"
  grep -q '^Host ID: 44-9D-95-72-3E$' out.txt || fail "redirected stdin: $(cat out.txt)"
  cat desktop.json | timeout 10 "$inspect" --replay /dev/stdin --json >out.txt 2>err.txt || fail "pipe exited $?"
  grep -q '^  "host_id": "44-9D-95-72-3E",$' out.txt || fail "pipe: $(cat out.txt)"
  # This shell holds the FIFO open for writing before the program opens it (a read-write open does not wait), and
  # writes the snapshot only once the program may already be reading; the program must not inherit that end.
  exec 3<>fifo
  timeout 10 "$inspect" --replay fifo >out.txt 2>err.txt 3>&- &
  reader=$!
  sleep 1
  cat desktop.json >&3
  exec 3>&-
  wait "$reader" || fail "FIFO with a slow writer exited $?"
  grep -q '^Host ID: 44-9D-95-72-3E$' out.txt || fail "FIFO with a writer: $(cat out.txt)"
  rm -f fifo
fi

# Devices as snapshot files (Windows): NUL is refused before any read, so is a folder, each at once with exit 2.
if [ $# -gt 0 ]; then
  for name in NUL .; do
    set +e
    timeout 60 "$@" "$inspect" --replay "$name" >out.txt 2>err.txt
    rc=$?
    set -e
    [ "$rc" = 2 ] || fail "--replay $name exited $rc"
    [ ! -s out.txt ] || fail "--replay $name wrote to standard output"
  done
  timeout 60 "$@" "$inspect" --replay NUL >out.txt 2>err.txt || true
  grep -q '^NUL: cannot be read: not a regular file, a FIFO or a pipe' err.txt || fail "NUL: $(cat err.txt)"
fi

# A usage error.
set +e
"$@" "$inspect" --bogus >out.txt 2>err.txt
rc=$?
set -e
[ "$rc" = 2 ] || fail "usage error exited $rc"
[ ! -s out.txt ] || fail "usage error wrote to standard output"
grep -q '^Usage: lumohostid-inspect' err.txt || fail "no usage text: $(cat err.txt)"

# 32,768 driver keys that all share one std::hash value read as any others do (bench/run.sh times them), and one
# more key, equal to one of them apart from letter case, is still found among them.
python3 "$examples/../bench/make_colliding_snapshot.py" colliding.json
"$@" "$inspect" --replay colliding.json --json >out.txt 2>err.txt || fail "colliding keys: exit $?"
grep -q '"host_id"' out.txt || fail "colliding keys: no host_id in: $(head -c 300 out.txt)"
python3 - <<'PY'
import json
snapshot = json.load(open("colliding.json"))
first = next(iter(snapshot["drivers"]))
snapshot["drivers"][first.swapcase()] = {"permanent": None, "current": None}
json.dump(snapshot, open("colliding-twice.json", "w"))
PY
rc=0
"$@" "$inspect" --replay colliding-twice.json >out.txt 2>err.txt || rc=$?
[ "$rc" = 2 ] || fail "a key colliding apart from letter case exited $rc"
grep -q 'apart from letter case' err.txt || fail "no letter-case message: $(head -c 300 err.txt)"

echo "cli test passed"
