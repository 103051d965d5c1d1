#!/bin/sh
# Builds the benchmarks and prints one table of the figures that matter for speed:
#   - the kind-3 digest's throughput;
#   - the determination in-process on generated machines of 10 to 10,000 adapters;
#   - the whole `lumohostid /exit:FILE` process beside coreutils `hostid` (median of many runs each);
#   - the Linux sources with 2,000 dummy interfaces (veth pairs where the kernel has no dummy driver) in a network
#     namespace made for the purpose.
# Needs hyperfine and python3 (scripts/setup.sh installs them); the namespace needs root (CAP_SYS_ADMIN).
set -eu
cd "$(dirname "$0")/.."
runs=${LUMO_BENCH_RUNS:-60}
dummies=${LUMO_BENCH_DUMMIES:-2000}

cmake --preset linux >/dev/null
cmake --build --preset linux --target lumo_core_bench lumo_live_bench lumohostid >/dev/null

work=$(mktemp -d)
# LUMO_BENCH_NAMESPACE prefixes the namespace's name, so that runs beside each other never share one.
namespace=${LUMO_BENCH_NAMESPACE:-lumo-bench}-$$
cleanup() {
  ip netns del "$namespace" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The median of five repetitions: a virtual machine's neighbours make single figures jump.
build/linux/bench/lumo_core_bench --benchmark_format=json --benchmark_min_time=0.3 --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true >"$work/core.json" 2>/dev/null
hyperfine -N --warmup 10 --runs "$runs" --export-json "$work/process.json" \
  "build/linux/app/linux/lumohostid /exit:$work/host.txt" hostid >/dev/null 2>&1

namespace_note=""
kind=dummy
if ip netns add "$namespace" 2>/dev/null; then
  # Kernels without the dummy driver get veth pairs instead: as many interfaces, equally without a device.
  if ! ip -n "$namespace" link add probe0 type dummy 2>/dev/null; then
    kind=veth
  fi
  ip -n "$namespace" link del probe0 2>/dev/null || true
  i=0
  while [ "$i" -lt "$dummies" ]; do
    if [ "$kind" = dummy ]; then
      echo "link add d$i type dummy"
      i=$((i + 1))
    else
      echo "link add v$i type veth peer name v$((i + 1))"
      i=$((i + 2))
    fi
  done >"$work/links.batch"
  if ip -n "$namespace" -batch "$work/links.batch" 2>/dev/null; then
    ip netns exec "$namespace" build/linux/bench/lumo_live_bench --benchmark_format=json \
      --benchmark_min_time=1 >"$work/live.json" 2>/dev/null || namespace_note="the benchmark failed in the namespace"
  else
    namespace_note="dummy interfaces could not be made in the namespace"
  fi
else
  namespace_note="network namespaces are not permitted here"
fi
build/linux/bench/lumo_live_bench --benchmark_format=json --benchmark_min_time=0.5 >"$work/live-host.json" 2>/dev/null

python3 - "$work" "$dummies" "$namespace_note" "$kind" <<'PY'
import json, os, sys
work, dummies, note, kind = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
core = {b["run_name"]: b for b in json.load(open(os.path.join(work, "core.json")))["benchmarks"]
        if b.get("aggregate_name") == "median"}
def ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["real_time"] * scale

rows = []
digest = core["BM_DigestKind3/4096"]
rows.append(("digest, kind 3, 4 KiB texts", "%.0f MB/s" % (digest["bytes_per_second"] / 1e6), ""))
sizes = [10, 100, 1000, 10000]
for n in sizes:
    rows.append(("determination, %d adapters" % n, "%.3f ms" % ms(core["BM_Determination/%d" % n]), ""))
ratio = ms(core["BM_Determination/10000"]) / ms(core["BM_Determination/1000"])
t10k = ms(core["BM_Determination/10000"])
rows.append(("10,000 / 1,000 adapters", "%.1f x" % ratio, "target <= 15 x: %s" % ("met" if ratio <= 15 else "missed")))
rows.append(("10,000 adapters", "%.1f ms" % t10k, "target < 20 ms: %s" % ("met" if t10k < 20 else "missed")))

process = json.load(open(os.path.join(work, "process.json")))["results"]
ours, peer = process[0]["median"] * 1e3, process[1]["median"] * 1e3
runs = len(process[0]["times"])
rows.append(("lumohostid /exit:FILE, median of %d" % runs, "%.3f ms" % ours, ""))
rows.append(("hostid (coreutils), median of %d" % runs, "%.3f ms" % peer, ""))
rows.append(("lumohostid / hostid", "%.2f x" % (ours / peer), "target <= 1.5 x: %s" % ("met" if ours / peer <= 1.5 else "missed")))

host = json.load(open(os.path.join(work, "live-host.json")))["benchmarks"][0]
rows.append(("live sources, this machine (%d records)" % host["records"], "%.3f ms" % ms(host), ""))
live = os.path.join(work, "live.json")
if not note and os.path.exists(live):
    b = json.load(open(live))["benchmarks"][0]
    rows.append(("live sources, %s %s interfaces" % (dummies, kind), "%.1f ms" % ms(b),
                 "%d in the adapter table" % b.get("entries", 0)))
else:
    rows.append(("live sources, %s %s interfaces" % (dummies, kind), "skipped", note))

width = max(len(r[0]) for r in rows)
print("| %-*s | %-12s | %s" % (width, "measure", "result", "note"))
print("|-%s-|-%s-|-%s" % ("-" * width, "-" * 12, "-" * 28))
for name, value, remark in rows:
    print("| %-*s | %-12s | %s" % (width, name, value, remark))
PY
