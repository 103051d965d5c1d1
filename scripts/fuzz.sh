#!/bin/sh
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for a bounded
# time, starting from its committed seed corpus in fuzz/corpus/<name>. Any finding fails the run and leaves the
# crashing input in build/fuzz/findings.
#   scripts/fuzz.sh [seconds per target, default 60]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=build/fuzz/work
findings=build/fuzz/findings
mkdir -p "$work" "$findings"

status=0
for fuzzer in $(find build/fuzz/fuzz -type f -name 'fuzz_*' -perm -u+x | sort); do
  name=$(basename "$fuzzer" | sed 's/^fuzz_//')
  corpus="$work/$name"
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  # The snapshot reader must meet whole files: nesting of any depth, tens of thousands of keys, long texts; the
  # what-if and diff target reads two of them.
  case "$name" in
    snapshot | what_if_diff) max_len=1048576 ;;
    *) max_len=8192 ;;
  esac
  printf '%-24s ' "$name"
  if "$fuzzer" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/$name-" -print_final_stats=1 "$corpus" >"$work/$name.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    echo "ok, $runs runs in ${seconds}s"
  else
    echo "FINDING (see $work/$name.log and $findings/)"
    grep -E 'ERROR|check failed|SUMMARY' "$work/$name.log" | head -5
    status=1
  fi
done
exit $status
