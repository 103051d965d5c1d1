#!/bin/sh
# Runs whole machines through the real Windows programs under Wine:
#
#   tests/win/wine-machine.sh SNAPSHOT.json [SNAPSHOT.json ...]
#   tests/win/wine-machine.sh --sweep      only removes what killed runs left behind (see below)
#
# Each snapshot (format 1) is set up as a machine in a fresh Wine prefix and a network namespace of its own: its
# adapter table becomes veth interfaces with the snapshot's addresses (their peers in a second namespace), its
# components go to the network configuration server and its resources to the cfgmgr32 substitute (one script for
# both, tests/win/substitutes/), its devices to registry entries with their driver keys and NetCfgInstanceId values
# (lumo_machine_seed). Wine names an adapter {0000000N-0000-0000-0000-4E6574446576}, N its interface index, and
# describes it by the interface's name, so the snapshot's GUIDs are mapped onto Wine's, in order, and a description
# becomes an interface name with the same wireless mark.
#
# Then LumoHostID.exe /exit: and lumohostid-inspect.exe --snapshot run there, and one JSON object per snapshot is
# printed: exe_host_id (what the program wrote), replay_host_id (lumohostid-inspect --replay of the mapped
# snapshot: the native Linux build's when it is built, else the Windows one under Wine), sources_match (the live
# snapshot equals the mapped one) and left_out (what Wine cannot express, each named).
#
# Exit code 0 when every machine's two host IDs agree and its sources match, 1 otherwise, 2 when a snapshot cannot
# be read. The machines run in LUMO_MACHINE_LANES (2) lanes side by side; one prefix serves all machines of a lane,
# and each machine gets a new namespace, the lane's registry as wineboot left it, and a restarted wine server (Wine's
# NDIS driver makes its devices when it starts). LUMO_BUILD_DIR names the Windows build (build/windows),
# LUMO_NATIVE_INSPECT the native lumohostid-inspect (build/linux/inspect/lumohostid-inspect). Needs root for the
# namespaces, which are named LUMO_NETNS_PREFIX (lumo-machine), this script's process ID and the lane, so that runs
# side by side never meet. LUMO_MACHINE_KEEP=1 keeps the work folder (prefix, plans, scripts, snapshots) for a look
# afterwards. LUMO_MACHINE_DEADLINE (900) bounds the whole run in seconds: past it the run stops, cleans up and fails,
# before a test driver's own limit would kill it without cleaning up. Namespaces and work folders left behind by a
# run that was killed anyway (its process is gone) are removed when the next run starts.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${LUMO_BUILD_DIR:-$root/build/windows}
native=${LUMO_NATIVE_INSPECT:-$root/build/linux/inspect/lumohostid-inspect}
exe=$build/app/win/LumoHostID.exe
inspect=$build/inspect/lumohostid-inspect.exe
seed=$build/tests/win/lumo_machine_seed.exe
substitutes=$build/tests/win/substitutes
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

if [ $# -eq 0 ]; then
  echo "usage: $0 SNAPSHOT.json [SNAPSHOT.json ...]" >&2
  exit 2
fi

prefix=${LUMO_NETNS_PREFIX:-lumo-machine}
ns=$prefix-$$
lanes=${LUMO_MACHINE_LANES:-2}
deadline=${LUMO_MACHINE_DEADLINE:-900}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;cfgmgr32=n"

# Shuts a prefix's wine server down. "wineserver -k" asks it to end and escalates to SIGKILL itself when it does not;
# the wait is bounded too, since a wine server that hangs must not hang the run.
stop_server() {
  WINEPREFIX=$1 timeout -k 5 60 "$wineserver" -k >/dev/null 2>&1
  WINEPREFIX=$1 timeout -k 5 60 "$wineserver" -w >/dev/null 2>&1
}

# A run killed outright (SIGKILL, as a test driver does past its time limit) cannot clean up after itself, so what
# such runs left behind is removed here: namespaces of this prefix and work folders whose owning process is gone.
# A process ID in use again keeps its leftovers, which is safe; the wine servers of those folders end by themselves
# (they were started with a persistence limit).
sweep_leftovers() {
  for name in $(ip netns list 2>/dev/null | cut -d' ' -f1); do
    case $name in
      "$prefix"-*) ;;
      *) continue ;;
    esac
    owner=${name#"$prefix"-}
    owner=${owner%%-*}
    case $owner in
      '' | *[!0-9]*) continue ;;
    esac
    kill -0 "$owner" 2>/dev/null || ip netns del "$name" 2>/dev/null
  done
  for folder in "${TMPDIR:-/tmp}"/lumo-machine.*; do
    [ -f "$folder/owner" ] || continue
    owner=$(cat "$folder/owner")
    case $owner in
      '' | *[!0-9]*) continue ;;
    esac
    kill -0 "$owner" 2>/dev/null && continue
    for old in "$folder"/prefix*; do
      [ -d "$old" ] && stop_server "$old"
    done
    rm -rf "$folder"
  done
}
sweep_leftovers
[ "$1" = --sweep ] && exit 0
for file in "$exe" "$inspect" "$seed" "$substitutes/cfgmgr32.dll" "$substitutes/lumo_netcfg_server.dll"; do
  [ -f "$file" ] || { echo "$0: $file is not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/lumo-machine.XXXXXX")
main=$$
echo $main >"$work/owner"
lane_pids=
watchdog=

cleanup() {
  [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null
  # The lanes go first, so that none of them starts a wine server or makes a namespace after this.
  for pid in $lane_pids; do
    kill "$pid" 2>/dev/null
  done
  wait
  lane=0
  while [ $lane -lt "$lanes" ]; do
    stop_server "$work/prefix$lane"
    ip netns del "$ns-$lane" 2>/dev/null
    ip netns del "$ns-$lane-peers" 2>/dev/null
    lane=$((lane + 1))
  done
  if [ -n "${LUMO_MACHINE_KEEP:-}" ]; then
    echo "$0: kept $work" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
# The watchdog looks every two seconds, so that it also ends soon after a run that was killed outright and never
# signals a process ID that may have been given to another process since.
(
  waited=0
  while [ $waited -lt "$deadline" ]; do
    sleep 2 </dev/null >/dev/null 2>&1
    kill -0 "$main" 2>/dev/null || exit 0
    waited=$((waited + 2))
  done
  echo "$0: the run took longer than $deadline seconds; stopped" >&2
  kill -TERM "$main"
) &
watchdog=$!

# Windows path of a file below the work folder.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# Runs the machines n = LANE+1, LANE+1+lanes, ... in a prefix and namespaces of the lane's own. Each machine's
# results go to $work/n; its status file holds the seeding program's exit code.
run_lane() {
  lane=$1
  shift
  export WINEPREFIX="$work/prefix$lane"
  netns=$ns-$lane
  peers=$ns-$lane-peers
  mkdir -p "$WINEPREFIX" "$WINEPREFIX.registry"
  timeout -k 10 600 "$wine" wineboot -i </dev/null >/dev/null 2>&1
  timeout -k 5 120 "$wineserver" -w
  system32="$WINEPREFIX/drive_c/windows/system32"
  cp "$system32/cfgmgr32.dll" "$system32/winecfgmgr32.dll"
  cp "$substitutes/cfgmgr32.dll" "$substitutes/lumo_netcfg_server.dll" "$system32/"
  # The registry as wineboot left it. Every machine starts from it, since what a machine wrote reaches the next one
  # only when its wine server saved it: on a clean shutdown, or in the periodic save, which may fall in the middle
  # of the seeding; a server that does not end in time is killed without saving.
  cp "$WINEPREFIX"/*.reg "$WINEPREFIX.registry/" || return 1
  ip netns add "$peers" || return 1
  n=0
  for snapshot in "$@"; do
    n=$((n + 1))
    [ $(((n - 1) % lanes)) -eq "$lane" ] || continue
    # A lane whose run was killed outright stops at its next machine instead of making namespaces nobody removes.
    kill -0 "$main" 2>/dev/null || return 1
    out=$work/$n
    stop_server "$WINEPREFIX"
    cp "$WINEPREFIX.registry"/*.reg "$WINEPREFIX/" || return 1
    ip netns del "$netns" 2>/dev/null
    ip netns add "$netns" || return 1
    ip -n "$netns" link set lo up
    while read -r kind index name address; do
      [ "$kind" = veth ] || continue
      ip link add "$name" netns "$netns" type veth peer name "p$n-$index" netns "$peers" &&
        ip -n "$netns" link set "$name" address "$address" up &&
        ip -n "$peers" link set "p$n-$index" up || return 1
    done <"$out/plan.txt"
    # A veth interface is operationally up only once the kernel's link watch has run after both ends came up, which
    # is deferred and late under load; Wine reads its table once, when its NDIS driver starts, so the wine server
    # starts only when every interface is up. Bounded: a machine whose links stay down counts as not set up.
    want=$(grep -c '^veth ' "$out/plan.txt")
    tries=0
    while [ "$(ip -n "$netns" -o link show up | grep -c 'state UP')" -lt "$want" ]; do
      tries=$((tries + 1))
      if [ $tries -gt 100 ]; then
        echo "$snapshot: the interfaces of namespace $netns did not come up" >&2
        echo 1 >"$out/status"
        continue 2
      fi
      sleep 0.1
    done

    # Every Windows program run is bounded; the wine server lives on for 60 seconds without a program, so one
    # left behind by a run killed outright ends by itself.
    run() {
      timeout -k 10 300 ip netns exec "$netns" env LUMO_SUBSTITUTE_SCRIPT="$(winpath "$out/script.txt")" \
        "$wine" "$@" </dev/null
    }
    ip netns exec "$netns" "$wineserver" -p60 </dev/null >/dev/null 2>&1
    run "$seed" "$(winpath "$(cd "$(dirname "$snapshot")" && pwd)/$(basename "$snapshot")")" \
        "$(winpath "$out/plan.txt")" "$(winpath "$out")"
    echo $? >"$out/status"
    [ "$(cat "$out/status")" -eq 0 ] || continue
    run "$exe" "/exit:$(winpath "$out/hostid.bin")"
    run "$inspect" --snapshot "$(winpath "$out/live.json")"
    if [ -x "$native" ]; then
      "$native" --replay "$out/mapped.json" --json >"$out/replay.json"
    else
      run "$inspect" --replay "$(winpath "$out/mapped.json")" --json >"$out/replay.json"
    fi
  done
}

# Every snapshot is planned first, so that one that cannot be read ends the run before any prefix is made.
python3 "$here/wine_machine.py" plan "$work" "$@" || exit $?

lane=0
while [ $lane -lt "$lanes" ]; do
  run_lane $lane "$@" &
  lane_pids="$lane_pids $!"
  lane=$((lane + 1))
done
for pid in $lane_pids; do
  wait "$pid"
done
lane_pids=
python3 "$here/wine_machine.py" compare "$work" "$@"
