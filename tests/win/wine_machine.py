#!/usr/bin/env python3
"""Helpers of wine-machine.sh that need JSON.

  wine_machine.py plan WORK SNAPSHOT...     WORK/N/plan.txt for the N-th snapshot: the interfaces to make for its
                                            adapter table; exit 2 when a snapshot cannot be read
  wine_machine.py compare WORK SNAPSHOT...  prints the result object of every machine, in order; exit 0 when all
                                            agree, 2 when the seeding program could not read one, 1 otherwise
  wine_machine.py generate COUNT SEED DIR   writes COUNT generated snapshots of varied shape into DIR
"""
import json
import os
import random
import sys


def plan_one(path, out):
    """One line per adapter-table entry: "veth INDEX NAME ADDRESS" or "skip INDEX REASON".

    Wine lists every interface of its network namespace, names it after its interface index and describes it by
    the interface's name, so an entry becomes a veth interface whose name keeps the wireless mark of the table's
    rule ("WLAN" in the description) and whose address is the entry's. What no interface can be is skipped."""
    try:
        with open(path, "rb") as f:
            snapshot = json.loads(f.read().decode("utf-8"))
        adapters = snapshot["adapters"]
        if adapters is not None and not isinstance(adapters, list):
            raise ValueError("adapters: expected an array or null")
    except (OSError, ValueError, KeyError, TypeError) as error:
        print(f"{path}: {error}", file=sys.stderr)
        return 2
    names = set()
    counts = {"wlan": 0, "eth": 0}
    for index, adapter in enumerate(adapters or []):
        try:
            name, description, address = adapter["name"], adapter["description"], bytes.fromhex(adapter["address"])
        except (KeyError, TypeError, ValueError) as error:
            print(f"{path}: adapters[{index}]: {error}", file=sys.stderr)
            return 2
        reason = None
        if name is None:
            reason = "no name; Wine names every adapter"
        elif name.upper() in names:
            reason = "the name of an earlier adapter; Wine's names are unique"
        elif len(address) != 6:
            reason = f"an address of {len(address)} bytes; Wine lists an interface with six"
        elif address == bytes(6) or address[0] & 1:
            reason = f"the address {address.hex().upper()} cannot be given to an interface"
        if reason:
            print(f"skip {index} {reason}", file=out)
            continue
        names.add(name.upper())
        kind = "wlan" if description is not None and "WLAN" in description.upper() else "eth"
        print(f"veth {index} {kind}{counts[kind]} {address.hex(':')}", file=out)
        counts[kind] += 1
    return 0


def plan(work, paths):
    status = 0
    for number, path in enumerate(paths, 1):
        os.makedirs(os.path.join(work, str(number)), exist_ok=True)
        with open(os.path.join(work, str(number), "plan.txt"), "w") as out:
            status = max(status, plan_one(path, out))
    return status


def read_json(path):
    try:
        with open(path, "rb") as f:
            return json.loads(f.read().decode("utf-8"))
    except (OSError, ValueError):
        return None


def compare_one(outdir):
    try:
        with open(os.path.join(outdir, "hostid.bin"), "rb") as f:
            exe_host_id = f.read().rstrip(b"\0").decode("ascii", "replace")
    except OSError:
        exe_host_id = None
    replay = read_json(os.path.join(outdir, "replay.json"))
    replay_host_id = replay.get("host_id") if isinstance(replay, dict) else None
    live = read_json(os.path.join(outdir, "live.json"))
    mapped = read_json(os.path.join(outdir, "mapped.json"))
    result = {
        "exe_host_id": exe_host_id,
        "replay_host_id": replay_host_id,
        "sources_match": live is not None and live == mapped,
        "left_out": read_json(os.path.join(outdir, "left_out.json")) or [],
    }
    print(json.dumps(result), flush=True)
    if live is not None and mapped is not None:
        for key in sorted(set(live) | set(mapped)):
            if live.get(key) != mapped.get(key):
                print(f"  {key} differs: live {json.dumps(live.get(key))}, mapped {json.dumps(mapped.get(key))}",
                      file=sys.stderr)
    agrees = exe_host_id is not None and replay_host_id is not None and exe_host_id == replay_host_id
    return 0 if agrees and result["sources_match"] else 1


def compare(work, paths):
    status = 0
    for number, path in enumerate(paths, 1):
        outdir = os.path.join(work, str(number))
        try:
            with open(os.path.join(outdir, "status")) as f:
                seeded = int(f.read())
        except (OSError, ValueError):
            seeded = 1
        if seeded == 2:
            status = 2
            continue
        if seeded != 0:
            print(f"{path}: the machine could not be set up", file=sys.stderr)
            status = max(status, 1)
            continue
        if compare_one(outdir) != 0:
            print(f"{path}: disagrees", file=sys.stderr)
            status = max(status, 1)
    return status


# ---- generated machines ----

BUSES = {
    # kind: (component ID, instance ID, resources a device of it has)
    "pci": ("PCI\\VEN_8086&DEV_{dev}&SUBSYS_00008086", "PCI\\VEN_8086&DEV_{dev}&SUBSYS_00008086&REV_03\\3&11583659&0&{n}",
            [1, 4, 2]),
    "pciw": ("PCI\\VEN_8086&DEV_{dev}&SUBSYS_00908086", "PCI\\VEN_8086&DEV_{dev}&SUBSYS_00908086&REV_01\\4&2D8F1A1&0&{n}",
             [1, 4]),
    "usb": ("USB\\VID_0BDA&PID_{dev}&REV_3000", "USB\\VID_0BDA&PID_{dev}\\00000100000{n}", []),
    "vmbus": ("VMBUS\\{{F8615163-DF3E-46C5-913F-F2D2F965ED0E}}", "VMBUS\\{{F8615163-DF3E-46C5-913F-F2D2F965ED0E}}\\{{{guid}}}",
              []),
    "xen": ("XENVIF\\VEN_XS0001&DEV_NET&REV_0900B0{n}", "XENVIF\\VEN_XS0001&DEV_NET&REV_0900B0{n}\\{n}", []),
    "other": ("ROOT\\LUMONET\\{dev}", "ROOT\\LUMONET\\{dev}{n}", [4]),
    "acpi": (None, "ACPI\\LUMO{dev}\\{n}", [1, 4, 6]),  # kept only by its resources
}


def random_guid(rng):
    return "{%08X-%04X-%04X-%04X-%012X}" % (rng.getrandbits(32), rng.getrandbits(16), rng.getrandbits(16),
                                           rng.getrandbits(16), rng.getrandbits(48))


def random_address(rng):
    first = rng.randrange(256) & 0xFE
    return bytes([first] + [rng.randrange(256) for _ in range(5)]).hex().upper()


def generate_machine(rng, number):
    count = rng.randint(1, 5)
    kinds = [rng.choice(list(BUSES)) for _ in range(count)]
    components, devices, drivers, adapters = [], [], {}, []
    for n, kind in enumerate(kinds):
        component_id, instance_id, resources = BUSES[kind]
        guid = random_guid(rng)
        dev = "%04X" % rng.randrange(0x10000)
        fields = {"dev": dev, "n": "%02X" % n, "guid": guid[1:-1]}
        wireless = kind == "pciw" or (kind == "usb" and rng.random() < 0.3)
        in_table = kind != "usb" or rng.random() < 0.7  # a USB adapter outside the table has no permanent address
        address = random_address(rng)
        if component_id and rng.random() < 0.9:
            components.append({"characteristics": rng.choice([0x84, 0x4, 0x4 | 0x80]),
                               "instance_guid": guid.lower() if rng.random() < 0.5 else guid,
                               "id": component_id.format(**fields).lower() if rng.random() < 0.3
                               else component_id.format(**fields)})
        if rng.random() < 0.85:
            device_resources = [r for r in resources if rng.random() < 0.8] + rng.sample([3, 5, 7, 9], rng.randint(0, 2))
            # No value (a missing driver key or value), or one too long for the pass to take (129 units and more).
            netcfg = rng.choice([None, guid + " " * rng.randint(91, 200)]) if rng.random() < 0.3 else guid
            devices.append({"instance_id": instance_id.format(**fields), "resources": device_resources,
                            "netcfg_instance_id": netcfg})
        if in_table:
            drivers[guid.lower()] = {"permanent": address, "current": address}
            description = ("Intel(R) Wireless-AC 9560 WLAN" if wireless else "Intel(R) Ethernet Connection") + f" #{n}"
            adapters.append({"name": guid, "description": description, "address": address})
    # Non-physical components, and adapters the passes do not know.
    if rng.random() < 0.5:
        components.append({"characteristics": 0x29, "instance_guid": random_guid(rng), "id": "ms_ndiswanip"})
    if rng.random() < 0.3:
        adapters.append({"name": random_guid(rng), "description": "Hyper-V Virtual Ethernet Adapter",
                         "address": random_address(rng)})
    if rng.random() < 0.3:
        adapters.append({"name": random_guid(rng), "description": "Software Loopback Interface 1", "address": ""})
    rng.shuffle(adapters)
    return {"format": 1, "computer_name": f"GEN-{number:03d}",
            "components": None if rng.random() < 0.1 else components, "devices": devices,
            "drivers": drivers, "adapters": adapters}


def generate(count, seed, directory):
    rng = random.Random(seed)
    os.makedirs(directory, exist_ok=True)
    for number in range(count):
        with open(os.path.join(directory, f"generated_{number:03d}.json"), "w") as f:
            json.dump(generate_machine(rng, number), f, indent=1)
    return 0


def main(argv):
    if len(argv) >= 4 and argv[1] == "plan":
        return plan(argv[2], argv[3:])
    if len(argv) >= 4 and argv[1] == "compare":
        return compare(argv[2], argv[3:])
    if len(argv) == 5 and argv[1] == "generate":
        return generate(int(argv[2]), int(argv[3]), argv[4])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
