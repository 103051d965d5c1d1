#!/bin/sh
# Builds the benchmarks and prints one table of the figures that matter for speed:
#   - the kind-3 digest's throughput;
#   - the determination in-process on generated machines of 10 to 10,000 adapters;
#   - the whole `lumohostid /exit:FILE` process beside coreutils `hostid` (median of many runs each);
#   - lumohostid_get in-process, through the shared library, as another program calls it;
#   - the whole `lumohostid-inspect --replay FILE --json` process on generated snapshots of 1,000 and 10,000
#     adapters (bench/make_snapshot.py), and on hostile files (deep and unclosed nesting, 40,000 driver keys, a zero
#     byte after the document), each of which must be refused at once, and a valid snapshot of 40,000 components
#     and 40,000 devices that all share one GUID text (replay and what-if), and a valid snapshot of 32,768 driver
#     keys that all share one std::hash value (bench/make_colliding_snapshot.py; replay, and --diff with itself);
#   - the Linux sources with 2,000 dummy interfaces (veth pairs where the kernel has no dummy driver) in a network
#     namespace made for the purpose, and again with one more interface whose name holds a control character.
# Needs hyperfine and python3 (scripts/setup.sh installs them); the namespace needs root (CAP_SYS_ADMIN).
set -eu
cd "$(dirname "$0")/.."
runs=${LUMO_BENCH_RUNS:-60}
dummies=${LUMO_BENCH_DUMMIES:-2000}

cmake --preset linux >/dev/null
cmake --build --preset linux --target lumo_core_bench lumo_live_bench lumo_library_bench lumohostid lumohostid-inspect >/dev/null

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
build/linux/bench/lumo_library_bench --benchmark_format=json --benchmark_min_time=0.3 --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true >"$work/library.json" 2>/dev/null
hyperfine -N --warmup 10 --runs "$runs" --export-json "$work/process.json" \
  "build/linux/app/linux/lumohostid /exit:$work/host.txt" hostid >/dev/null 2>&1

# Whole replays of generated machines, hostile files, and a valid file whose records all share one GUID text.
inspect=build/linux/inspect/lumohostid-inspect
python3 bench/make_snapshot.py 1000 "$work/replay-1000.json"
python3 bench/make_snapshot.py 10000 "$work/replay-10000.json"
hyperfine -N --warmup 3 --runs 20 --export-json "$work/replay.json" \
  "$inspect --replay $work/replay-1000.json --json" "$inspect --replay $work/replay-10000.json --json" >/dev/null 2>&1
python3 - "$work" <<'PY'
import json, os, sys
work = sys.argv[1]
def write(name, data):
    with open(os.path.join(work, name), "wb") as f:
        f.write(data)
write("deep.json", b"[" * 80000 + b"]" * 80000)
write("unclosed.json", b"[" * 400000)
drivers = ", ".join('"{%08x-aaaa-bbbb-cccc-ddddeeeeffff}": {"permanent": null, "current": null}' % i
                    for i in range(40000))
write("drivers.json", ('{"format": 2, "computer_name": "", "components": null, "devices": null, "drivers": {%s, '
                       '"{00000001-AAAA-BBBB-CCCC-DDDDEEEEFFFF}": {"permanent": null, "current": null}}, '
                       '"adapters": null, "adapter_table": {"size_query": 111, "read": 31}}' % drivers).encode())
write("zero.json", open(os.path.join(work, "replay-1000.json"), "rb").read() + b"\0garbage")
# A valid snapshot of 40,000 components and 40,000 devices that all share one GUID text.
guid = "{6B7D3F10-1111-2222-3333-444455556666}"
write("shared-guid.json", json.dumps({
    "format": 2, "computer_name": "SHARED",
    "components": [{"characteristics": 4, "instance_guid": guid, "id": "PCI\\VEN_8086"}] * 40000,
    "devices": [{"instance_id": "PCI\\VEN_8086\\3&%X" % i, "resources": [1, 4, 2], "netcfg_instance_id": guid}
                for i in range(40000)],
    "drivers": {guid.lower(): {"permanent": "001A2B3C4D5E", "current": "001A2B3C4D5E"}},
    "adapters": [{"name": guid.lower(), "description": "Intel", "address": "001A2B3C4D5E"}],
    "adapter_table": {"size_query": 111, "read": 0}}).encode())
PY
hyperfine -N --warmup 1 --runs 5 --export-json "$work/shared.json" \
  "$inspect --replay $work/shared-guid.json --json" "$inspect --what-if --replay $work/shared-guid.json" >/dev/null 2>&1
# 32,768 driver keys made to share one hash under the standard library's string hash.
python3 bench/make_colliding_snapshot.py "$work/colliding.json"
hyperfine -N --warmup 1 --runs 5 --export-json "$work/colliding.json.times" \
  "$inspect --replay $work/colliding.json --json" "$inspect --diff $work/colliding.json $work/colliding.json" \
  >/dev/null 2>&1
# Each must be refused with exit code 2 (hyperfine's -i lets that through).
hyperfine -N -i --warmup 1 --runs 5 --export-json "$work/hostile.json" \
  "$inspect --replay $work/deep.json" "$inspect --replay $work/unclosed.json" \
  "$inspect --replay $work/drivers.json" "$inspect --replay $work/zero.json" >/dev/null 2>&1

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
    # One interface named with a control character, as the kernel allows: the dump passes over nothing and keeps
    # every interface, so the run costs what it costs without it.
    odd=$(printf 'odd\001x')
    if [ -z "$namespace_note" ] && ip -n "$namespace" link add "$odd" type veth peer name odd1 2>/dev/null; then
      ip netns exec "$namespace" build/linux/bench/lumo_live_bench --benchmark_format=json \
        --benchmark_min_time=1 >"$work/live-odd.json" 2>/dev/null || rm -f "$work/live-odd.json"
    fi
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

library = {b["run_name"]: b for b in json.load(open(os.path.join(work, "library.json")))["benchmarks"]
           if b.get("aggregate_name") == "median"}["BM_LibraryGet"]
# CPU time, as the process's figure beside it: on a shared virtual machine the wall clock also counts the time
# spent waiting for a core.
def cpu_ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["cpu_time"] * scale
get = cpu_ms(library)
process_cpu = (process[0]["user"] + process[0]["system"]) * 1e3
rows.append(("lumohostid /exit:FILE, CPU (user + system)", "%.3f ms" % process_cpu, ""))
rows.append(("lumohostid_get in-process, CPU, median", "%.3f ms" % get,
             "target < 1 ms: %s" % ("met" if get < 1 else "missed")))
replay = json.load(open(os.path.join(work, "replay.json")))["results"]
r1k, r10k = replay[0]["median"] * 1e3, replay[1]["median"] * 1e3
rows.append(("inspect replay --json, 1000 adapters", "%.1f ms" % r1k, "median of %d" % len(replay[0]["times"])))
rows.append(("inspect replay --json, 10000 adapters", "%.1f ms" % r10k,
             "target < 150 ms: %s" % ("met" if r10k < 150 else "missed")))
rows.append(("inspect replay, 10,000 / 1,000", "%.1f x" % (r10k / r1k),
             "target <= 12 x: %s" % ("met" if r10k / r1k <= 12 else "missed")))
hostile = json.load(open(os.path.join(work, "hostile.json")))["results"]
worst = max(max(r["times"]) for r in hostile) * 1e3
refused = all(all(code == 2 for code in r.get("exit_codes", [2])) for r in hostile)
rows.append(("inspect, 4 hostile files, slowest run", "%.1f ms" % worst,
             "exit 2 within 1 s: %s" % ("met" if worst < 1000 and refused else "missed")))

shared = json.load(open(os.path.join(work, "shared.json")))["results"]
for result, what in zip(shared, ("replay --json", "--what-if --replay")):
    slowest = max(result["times"]) * 1e3
    rows.append(("inspect %s, 40,000 records of one GUID" % what, "%.1f ms" % slowest,
                 "slowest run, within 1 s: %s" % ("met" if slowest < 1000 else "missed")))

colliding = json.load(open(os.path.join(work, "colliding.json.times")))["results"]
for result, what in zip(colliding, ("replay --json", "--diff of it with itself")):
    slowest = max(result["times"]) * 1e3
    rows.append(("inspect %s, 32,768 colliding keys" % what, "%.1f ms" % slowest,
                 "slowest run, within 1 s: %s" % ("met" if slowest < 1000 else "missed")))

host = json.load(open(os.path.join(work, "live-host.json")))["benchmarks"][0]
rows.append(("live sources, this machine (%d records)" % host["records"], "%.3f ms" % ms(host), ""))
live = os.path.join(work, "live.json")
if not note and os.path.exists(live):
    b = json.load(open(live))["benchmarks"][0]
    rows.append(("live sources, %s %s interfaces" % (dummies, kind), "%.1f ms" % ms(b),
                 "%d in the adapter table" % b.get("entries", 0)))
    odd = os.path.join(work, "live-odd.json")
    if os.path.exists(odd):
        o = json.load(open(odd))["benchmarks"][0]
        rows.append(("live sources, the same and one odd name", "%.1f ms" % ms(o),
                     "%d in the adapter table; %.2f x the row above" % (o.get("entries", 0), ms(o) / ms(b))))
    else:
        rows.append(("live sources, the same and one odd name", "skipped", "the interface could not be made"))
else:
    rows.append(("live sources, %s %s interfaces" % (dummies, kind), "skipped", note))

width = max(len(r[0]) for r in rows)
print("| %-*s | %-12s | %s" % (width, "measure", "result", "note"))
print("|-%s-|-%s-|-%s" % ("-" * width, "-" * 12, "-" * 28))
for name, value, remark in rows:
    print("| %-*s | %-12s | %s" % (width, name, value, remark))
PY
