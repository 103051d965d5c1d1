#!/usr/bin/env python3
"""Writes a snapshot (format 2) of a made-up machine of N wired PCI adapters, for timing whole replays.

Each adapter has a component, a device with memory, I/O and interrupt resources, a driver with its permanent and
current address, and an adapter-table entry. GUID texts come in three letter cases (lower from the configuration,
upper from the registry, mixed in the table), and the table lists the adapters in shuffled order.
"""
import json
import random
import sys


def guid(i):
    return "{%08x-1111-4222-8333-%012x}" % (0x6B7D0000 + i, 0x444455550000 + i)


def main():
    count = int(sys.argv[1])
    out = sys.argv[2]
    rng = random.Random(count)
    components, devices, drivers, adapters = [], [], {}, []
    for i in range(count):
        g = guid(i)
        components.append({"characteristics": 4, "instance_guid": g.upper(),
                           "id": "PCI\\VEN_8086&DEV_100E&SUBSYS_%08X" % i})
        devices.append({"instance_id": "PCI\\VEN_8086&DEV_100E&SUBSYS_%08X\\3&%X&0&18" % (i, i),
                        "resources": [1, 4, 2], "netcfg_instance_id": g.upper()})
        address = "02%010X" % i
        drivers[g] = {"permanent": address, "current": address}
    for i in rng.sample(range(count), count):
        g = guid(i)
        mixed = "".join(c.upper() if k % 2 else c for k, c in enumerate(g))
        adapters.append({"name": mixed, "description": "Intel(R) PRO/1000 MT Network #%d" % i,
                         "address": "02%010X" % i})
    document = {"format": 2, "computer_name": "BENCH-%d" % count, "components": components, "devices": devices,
                "drivers": drivers, "adapters": adapters,
                "adapter_table": {"size_query": 111, "read": 0}}
    with open(out, "w") as f:
        json.dump(document, f, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
