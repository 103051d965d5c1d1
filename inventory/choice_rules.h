#pragma once

// The rules by which a record's flags place it in the adapter choice, and the bus they name. Everything that asks
// which group a record's flags put it in asks here, so that the choice and whoever explains it cannot disagree.

#include <cstdint>
#include <string>

// The rule that chose the record, from the most preferred down.
enum class EChoiceRule {
    None,            // nothing was chosen
    Primary,         // matched adapter on PCI, VMBus, Xen or without bus bit, not the first wireless one
    OtherBus,        // matched adapter on another enumerator
    Usb,             // matched adapter on USB with a permanent address
    AddressMatch,    // the last record whose address is in the adapter table
    FirstAddressed,  // the first record with flags and an address
};

// On PCI, VMBus or Xen, or without any bus bit: the flags hold neither of the two top bits, HID_BUS_OTHER and
// HID_BUS_USB. A record with no flags at all passes this test too; the choice passes it over for lack of flags.
bool IsPrimaryBus(uint32_t dwFlags);

// A component of the adapter is on an enumerator other than PCI, VMBus, Xen and USB.
bool IsOtherBus(uint32_t dwFlags);

// A component of the adapter is on USB. Such a record keeps the permanent address its driver gave when the adapter
// table matches it, since the table shows the current one.
bool IsUsbBus(uint32_t dwFlags);

// The slot group a matched record's flags put it in: Primary, OtherBus or Usb, tested in that order, so that a
// record with both top bits counts as on another bus. None for a record without flags, which fills no slot.
EChoiceRule SlotRuleOfFlags(uint32_t dwFlags);

// The bus a record's flags name: "USB", "another bus", "PCI", "VMBus", "Xen", or empty when it has only resource
// bits. The two top bits come first, as they decide the digest input.
std::string BusName(uint32_t dwFlags);
