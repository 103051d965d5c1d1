#pragma once

// Turns an adapter's identifier text into the bit of the bus it sits on.
//
// Both routines cut the text they are given to its enumerator text (the part before the first backslash) and
// return 0 or exactly one HID_BUS_* bit. They differ in three points:
//
//   point                      BusFlagsFromInstanceId            BusFlagsFromComponentId
//   "usb"                      not a bus word: 0 (or PCI_ALT)    HID_BUS_USB
//   text searched for "pci_"   the whole text as passed in       the enumerator text only
//   no word and no "pci_"      0                                 HID_BUS_OTHER
//   empty text                 0                                 0

#include <cstdint>
#include <string>

// Classifies a device instance ID (the device setup pass).
uint32_t BusFlagsFromInstanceId(std::u16string& strId);

// Classifies a network component ID (the network configuration pass).
uint32_t BusFlagsFromComponentId(std::u16string& strId);
