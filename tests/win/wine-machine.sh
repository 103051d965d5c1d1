#!/bin/sh
# Runs whole machines through the real Windows programs under Wine:
#
#   tests/win/wine-machine.sh SNAPSHOT.json [SNAPSHOT.json ...]
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
# and each machine gets a new namespace and a restarted wine server (Wine's NDIS driver makes its devices when it
# starts). LUMO_BUILD_DIR names the Windows build (build/windows),
# LUMO_NATIVE_INSPECT the native lumohostid-inspect (build/linux/inspect/lumohostid-inspect). Needs root for the
# namespaces. LUMO_MACHINE_KEEP=1 keeps the work folder (prefix, plans, scripts, snapshots) for a look afterwards.
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
for file in "$exe" "$inspect" "$seed" "$substitutes/cfgmgr32.dll" "$substitutes/lumo_netcfg_server.dll"; do
  [ -f "$file" ] || { echo "$0: $file is not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/lumo-machine.XXXXXX")
ns=${LUMO_NETNS_PREFIX:-wtsub}-machine-$$
lanes=${LUMO_MACHINE_LANES:-2}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;cfgmgr32=n"

cleanup() {
  lane=0
  while [ $lane -lt "$lanes" ]; do
    WINEPREFIX="$work/prefix$lane" "$wineserver" -k >/dev/null 2>&1
    WINEPREFIX="$work/prefix$lane" "$wineserver" -w >/dev/null 2>&1
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
trap 'exit 1' INT TERM

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
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  "$wineserver" -w
  system32="$WINEPREFIX/drive_c/windows/system32"
  cp "$system32/cfgmgr32.dll" "$system32/winecfgmgr32.dll"
  cp "$substitutes/cfgmgr32.dll" "$substitutes/lumo_netcfg_server.dll" "$system32/"
  ip netns add "$peers" || return 1
  n=0
  for snapshot in "$@"; do
    n=$((n + 1))
    [ $(((n - 1) % lanes)) -eq "$lane" ] || continue
    out=$work/$n
    "$wineserver" -k >/dev/null 2>&1
    "$wineserver" -w >/dev/null 2>&1
    ip netns del "$netns" 2>/dev/null
    ip netns add "$netns" || return 1
    ip -n "$netns" link set lo up
    while read -r kind index name address; do
      [ "$kind" = veth ] || continue
      ip link add "$name" netns "$netns" type veth peer name "p$n-$index" netns "$peers" &&
        ip -n "$netns" link set "$name" address "$address" up &&
        ip -n "$peers" link set "p$n-$index" up || return 1
    done <"$out/plan.txt"

    run() { ip netns exec "$netns" env LUMO_SUBSTITUTE_SCRIPT="$(winpath "$out/script.txt")" "$wine" "$@"; }
    ip netns exec "$netns" "$wineserver" -p
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
  lane=$((lane + 1))
done
wait
python3 "$here/wine_machine.py" compare "$work" "$@"
