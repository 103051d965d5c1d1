#include "ui/file_version_info.h"

#include <algorithm>
#include <new>
#include <string>

#include "common/text.h"
#include "ui/decimal.h"

namespace {

std::u16string DiagnosticText(const char* pszName, uint32_t nCode)
{
    return AsciiToUtf16(pszName) + u"=" + AsciiToUtf16(std::to_string(nCode));
}

// Sizes the buffer for the version resource; false when the memory cannot be had or the size is beyond any real
// version resource.
bool AllocateBuffer(std::vector<uint8_t>& buffer, uint32_t nSize)
{
    if (nSize > kVersionResourceLargestBytes)
        return false;
    try {
        buffer.resize(nSize);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void AppendHexWord(std::u16string& text, uint16_t nValue)
{
    AppendHexByte(text, static_cast<uint8_t>(nValue >> 8));
    AppendHexByte(text, static_cast<uint8_t>(nValue & 0xFF));
}

}  // namespace

std::u16string VersionStringPath(uint16_t nLanguage, uint16_t nCodePage, const std::u16string& strName)
{
    std::u16string strPath = u"\\StringFileInfo\\";
    AppendHexWord(strPath, nLanguage);
    AppendHexWord(strPath, nCodePage);
    strPath += u"\\";
    strPath += strName;
    return strPath;
}

void SplitVersion(const std::u16string& strText, int32_t (&numbers)[4])
{
    size_t nAt = 0;
    for (int32_t& nNumber : numbers) {
        nAt = strText.find_first_not_of(u'.', nAt);
        if (nAt == std::u16string::npos)
            return;
        const size_t nEnd = std::min(strText.find(u'.', nAt), strText.size());
        nNumber = ParseDecimalLong(std::u16string_view(strText).substr(nAt, nEnd - nAt));
        nAt = nEnd;
    }
}

CFileVersionInfo::CFileVersionInfo(IVersionResourceReader& reader) : m_reader(reader) {}

void CFileVersionInfo::Load()
{
    m_strError.clear();
    LoadStrings();
    SplitVersion(m_strFileVersion, m_nFileVersion);
    SplitVersion(m_strProductVersion, m_nProductVersion);
    m_bLoaded = true;
}

void CFileVersionInfo::LoadStrings()
{
    uint32_t dwError = 0;
    const uint32_t nSize = m_reader.GetSize(m_strFile, dwError);
    if (nSize == 0) {
        m_strError = DiagnosticText("gp", dwError);
        return;
    }
    std::vector<uint8_t> buffer;
    if (!AllocateBuffer(buffer, nSize)) {
        m_strError = u"nomem=12";
        return;
    }
    if (!m_reader.Read(m_strFile, buffer, dwError)) {
        m_strError = DiagnosticText("gfvi", dwError);
        return;
    }
    const std::optional<std::pair<uint16_t, uint16_t>> translation = m_reader.QueryFirstTranslation(buffer);
    if (!translation) {
        m_strError = u"vqvt=2";
        return;
    }

    struct CStringField {
        uint32_t nFlag;
        const char16_t* pszName;
        std::u16string CFileVersionInfo::*pField;
    };
    static const CStringField kFields[] = {
        {VI_FILEDESCRIPTION, u"FileDescription", &CFileVersionInfo::m_strFileDescription},
        {VI_FILEVERSION, u"FileVersion", &CFileVersionInfo::m_strFileVersion},
        {VI_PRODUCTVERSION, u"ProductVersion", &CFileVersionInfo::m_strProductVersion},
        {VI_LEGALCOPYRIGHT, u"LegalCopyright", &CFileVersionInfo::m_strLegalCopyright},
        {VI_COMPANYNAME, u"CompanyName", &CFileVersionInfo::m_strCompanyName},
    };
    for (const CStringField& field : kFields) {
        if ((m_nFlags & field.nFlag) == 0)
            continue;
        std::optional<std::u16string> strValue =
            m_reader.QueryString(buffer, VersionStringPath(translation->first, translation->second, field.pszName));
        if (strValue)
            this->*field.pField = std::move(*strValue);
    }
}

std::u16string CFileVersionInfo::GetFileVersion()
{
    if (!m_bLoaded)
        Load();
    return m_strFileVersion;
}

std::u16string VersionLineText(const std::u16string& strFileVersion)
{
    return strFileVersion.empty() ? std::u16string() : u"Version " + strFileVersion;
}
