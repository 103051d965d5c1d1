#pragma once

// The reader of string values from a file's version resource, and the splitting of version texts into numbers.
// The reading itself goes through IVersionResourceReader, so that every decision here runs without Windows.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Which strings Load reads (m_nFlags), listed in the order Load queries them.
constexpr uint32_t VI_FILEDESCRIPTION = 0x4;
constexpr uint32_t VI_FILEVERSION = 0x1;
constexpr uint32_t VI_PRODUCTVERSION = 0x2;
constexpr uint32_t VI_LEGALCOPYRIGHT = 0x8;
constexpr uint32_t VI_COMPANYNAME = 0x10;

// The largest version resource read at all, in bytes. The resource's own length field is 16 bits wide, so a real
// one is below 64 KiB (the size query adds room for conversions); a larger size is treated like memory that cannot
// be had.
constexpr uint32_t kVersionResourceLargestBytes = 1024 * 1024;

// The version resource of a file, as GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW give it.
class IVersionResourceReader {
public:
    virtual ~IVersionResourceReader() = default;

    // The size of the file's version resource in bytes, or 0 with dwLastError set to the error code.
    virtual uint32_t GetSize(const std::u16string& strFile, uint32_t& dwLastError) = 0;

    // Reads the version resource into buffer, whose size is the size asked for. False with dwLastError on failure.
    virtual bool Read(const std::u16string& strFile, std::vector<uint8_t>& buffer, uint32_t& dwLastError) = 0;

    // The first (language, code page) pair of "\VarFileInfo\Translation", or none when there is no such table.
    virtual std::optional<std::pair<uint16_t, uint16_t>> QueryFirstTranslation(const std::vector<uint8_t>& buffer) = 0;

    // The text at a string path ("\StringFileInfo\...\FileVersion"), or none when it is not there.
    virtual std::optional<std::u16string> QueryString(const std::vector<uint8_t>& buffer,
                                                      const std::u16string& strSubBlock) = 0;
};

// The query path of one string for one translation: "\StringFileInfo\" then the language and the code page as four
// upper-case hexadecimal digits each, then a backslash and the string's name.
std::u16string VersionStringPath(uint16_t nLanguage, uint16_t nCodePage, const std::u16string& strName);

// Splits a version text into up to four numbers: tokens separated by "." (runs of dots count as one separator,
// leading dots are skipped), the i-th token parsed as ParseDecimalLong does into the i-th number. The walk stops at
// the first missing token; the numbers of missing tokens keep their value, and an empty text changes nothing.
void SplitVersion(const std::u16string& strText, int32_t (&numbers)[4]);

class CFileVersionInfo {
public:
    explicit CFileVersionInfo(IVersionResourceReader& reader);

    // Reads the strings that m_nFlags selects from m_strFile's version resource, for the first translation. A
    // failure leaves its diagnostic text in m_strError ("gp=%u", "nomem=12", "gfvi=%u", "vqvt=2"); a string that is
    // not there is no failure. Every load ends with the version texts split into their numbers and m_bLoaded set.
    void Load();

    // The FileVersion string, loading first when nothing has been loaded yet.
    std::u16string GetFileVersion();

    std::u16string m_strFile;
    uint32_t m_nFlags = VI_FILEVERSION;
    std::u16string m_strFileVersion;
    std::u16string m_strProductVersion;
    std::u16string m_strFileDescription;
    std::u16string m_strLegalCopyright;
    std::u16string m_strCompanyName;
    int32_t m_nFileVersion[4] = {0, 0, 0, 0};
    int32_t m_nProductVersion[4] = {0, 0, 0, 0};
    std::u16string m_strError;
    bool m_bLoaded = false;

private:
    void LoadStrings();

    IVersionResourceReader& m_reader;
};

// The about dialog's version line: "Version " and the file version, or empty text when there is none.
std::u16string VersionLineText(const std::u16string& strFileVersion);
