#include "inventory/linux/name_guid.h"

#include "inventory/linux/sha1.h"

const CGuidValue kSysfsDevicePathNamespace = {
    0xa6a24649, 0xec9e, 0x450f, {0x98, 0x12, 0x66, 0x6b, 0x8f, 0x50, 0xe7, 0xec}};

std::array<uint8_t, 16> GuidBytes(const CGuidValue& guid)
{
    std::array<uint8_t, 16> bytes = {};
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(guid.Data1 >> (24 - 8 * i));
    bytes[4] = static_cast<uint8_t>(guid.Data2 >> 8);
    bytes[5] = static_cast<uint8_t>(guid.Data2);
    bytes[6] = static_cast<uint8_t>(guid.Data3 >> 8);
    bytes[7] = static_cast<uint8_t>(guid.Data3);
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = guid.Data4[i];
    return bytes;
}

CGuidValue NameBasedGuid(const CGuidValue& guidNamespace, std::string_view name)
{
    // The namespace enters in network byte order, as its text reads.
    const std::array<uint8_t, 16> namespaceBytes = GuidBytes(guidNamespace);

    CSha1 sha1;
    sha1.Update(namespaceBytes.data(), namespaceBytes.size());
    sha1.Update(name);
    const CSha1::Digest digest = sha1.Finish();

    // The first 16 bytes of the digest, with the version (5) in the high nibble of byte 6 and the RFC 4122
    // variant (binary 10) in the top bits of byte 8.
    CGuidValue guid;
    guid.Data1 = uint32_t(digest[0]) << 24 | uint32_t(digest[1]) << 16 | uint32_t(digest[2]) << 8 | digest[3];
    guid.Data2 = static_cast<uint16_t>(digest[4] << 8 | digest[5]);
    guid.Data3 = static_cast<uint16_t>(((digest[6] & 0x0F) | 0x50) << 8 | digest[7]);
    guid.Data4[0] = static_cast<uint8_t>((digest[8] & 0x3F) | 0x80);
    for (int i = 1; i < 8; ++i)
        guid.Data4[i] = digest[8 + i];
    return guid;
}
