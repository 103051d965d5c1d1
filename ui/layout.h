#pragma once

// Where and how a dialog keeps its position: the registry key path below HKEY_CURRENT_USER, the text of the "XY"
// value, and the reading of that value, all free of the registry itself.
//
// A position lives in HKEY_CURRENT_USER\Software\Kavro\VEDA\Layout\Screen<W>x<H>\Dlg<template ID>\, value "XY",
// type REG_SZ, data "<left>,<top>" with its terminating null. Each display resolution keeps its own positions.

#include <cstdint>
#include <optional>
#include <string>

// The result of opening or creating a key: 0, or 1279 for any failure (the registry's own code is not passed on).
constexpr uint32_t kRegistryKeyOk = 0;
constexpr uint32_t kRegistryKeyFailed = 1279;

// Registry values the reading relies on.
constexpr uint32_t kRegTypeSz = 1;        // REG_SZ
constexpr uint32_t kRegMoreData = 234;    // ERROR_MORE_DATA
constexpr uint32_t kRegSuccess = 0;       // ERROR_SUCCESS

// The size of the first query of the "XY" value, in bytes.
constexpr uint32_t kXYFirstQueryBytes = 256;

// The largest "XY" value read at all, in bytes. A position is a few dozen bytes; a value that claims more than this
// is treated like one whose memory cannot be had, so that a damaged value cannot make the dialog ask for gigabytes.
constexpr uint32_t kXYLargestValueBytes = 1024 * 1024;

// The key of the Kavro programs, and the default key of the registry key object: Software\Kavro\VEDA\.
std::u16string DefaultKavroKey();

// The key that a product key text puts in place of the default: "Software\Kavro\" followed directly by the text
// (no separator is added, so a product key that names a subkey ends with its own backslash).
std::u16string ProductKavroKey(const std::u16string& strProductKey);

// "Screen<W>x<H>" for the primary display's size in pixels.
std::u16string ScreenName(int32_t nWidth, int32_t nHeight);

// "Dlg<ID>" for a dialog template ID.
std::u16string LayoutName(uint32_t nIDTemplate);

// "Layout\<screen name>\<layout name>".
std::u16string LayoutSubkey(const std::u16string& strScreenName, const std::u16string& strLayoutName);

// A key path extended by a subkey and one backslash, as the registry key object extends its path in place.
std::u16string ExtendKeyPath(const std::u16string& strKey, const std::u16string& strSubkey);

// The text stored for a window whose top-left corner is at (x, y): "x,y" in signed decimal.
std::u16string FormatXYValue(int32_t x, int32_t y);

// The stored text as REG_SZ data: its UTF-16 units, then a terminating null (2 x characters + 2 bytes), each unit
// low byte first.
std::u16string::size_type XYValueDataBytes(const std::u16string& strText);

// Where a stored text puts the dialog, or none when the dialog stays where the template placed it. The text is cut
// at its first comma; a non-empty left part gives x, a non-empty right part y, each parsed as ParseDecimalLong
// does; x and y start at -1, and the dialog moves only when both are 0 or more.
struct CXYPosition {
    int32_t x;
    int32_t y;
    bool operator==(const CXYPosition& other) const { return x == other.x && y == other.y; }
};
std::optional<CXYPosition> ParseXYValue(const std::u16string& strText);

// Registry data taken as text: its UTF-16 units (the byte count halved, an odd last byte dropped) up to the first
// null unit, or all of them when there is none. The bytes are read low byte first.
std::u16string TakeDataAsText(const uint8_t* pData, size_t nBytes);

// The query of the "XY" value of an open key, as RegQueryValueExW answers it.
class IXYValueQuery {
public:
    virtual ~IXYValueQuery() = default;

    // Queries the value into a buffer of nBytes bytes. Returns the registry's result; sets dwType, and sets nBytes
    // to the size of the data on success or to the size needed when the answer is kRegMoreData.
    virtual uint32_t Query(uint8_t* pBuffer, uint32_t& nBytes, uint32_t& dwType) = 0;
};

// The text of the "XY" value, or empty text. A first query with 256 bytes takes REG_SZ data as text. When it answers
// kRegMoreData with a larger size, a buffer of (size + 4) x 2 bytes is allocated and queried again with that size,
// and data of any type is taken as text. Any other outcome, and a value above kXYLargestValueBytes or memory that
// cannot be had, gives empty text.
std::u16string ReadXYValueText(IXYValueQuery& query);
