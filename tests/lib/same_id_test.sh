#!/bin/sh
# The example consumer, through the library, gives the host ID that the main program writes, and the report the
# library returns names the same host ID.
#   same_id_test.sh WORKDIR CONSUMER MAIN [LAUNCHER...]
set -eu
work=$1
consumer=$2
main=$3
shift 3
. "$(dirname "$0")/../support/prologue.sh"

fresh_dir "$work"
cd "$work"

"$@" "$main" /exit:host.txt || fail "the main program exited $?"
# A Windows console program ends its lines with CR LF.
"$@" "$consumer" | tr -d '\r' >consumer.txt || fail "the consumer exited $?"
"$@" "$consumer" --json | tr -d '\r' >report.json || fail "the consumer's report exited $?"

written=$(written_host_id host.txt)
printed=$(cat consumer.txt)
reported=$(json_host_id report.json)
echo "main program: '$written'  library: '$printed'  library report: '$reported'"
[ "$(wc -l <consumer.txt)" = 1 ] || fail "the consumer printed more than one line"
[ "$printed" = "$written" ] || fail "the library gives '$printed', the main program wrote '$written'"
[ "$reported" = "$written" ] || fail "the library's report gives '$reported', the main program wrote '$written'"
grep -q '"records"' report.json || fail "the report has no records"
echo "same host ID"
