#pragma once

// The network device that the seeding program writes into the seeded Wine prefix, and that the seeded tests expect.
// Wine's Setup API lists a device of the network class as present as soon as its key below Enum holds a ClassGUID;
// its Driver value names the key below the class root that holds the NetCfgInstanceId.

// Below HKEY_LOCAL_MACHINE.
#define LUMO_SEEDED_ENUM_PARENT L"System\\CurrentControlSet\\Enum\\PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02"
#define LUMO_SEEDED_ENUM_KEY LUMO_SEEDED_ENUM_PARENT L"\\3&267a616a&0&18"
#define LUMO_SEEDED_NET_CLASS L"{4d36e972-e325-11ce-bfc1-08002be10318}"
#define LUMO_SEEDED_DRIVER LUMO_SEEDED_NET_CLASS L"\\0000"
#define LUMO_SEEDED_CLASS_KEY L"System\\CurrentControlSet\\Control\\Class\\" LUMO_SEEDED_DRIVER

// The device instance ID Setup API reports for it (Wine gives the instance part in upper case).
#define LUMO_SEEDED_INSTANCE_ID L"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&267a616a&0&18"
