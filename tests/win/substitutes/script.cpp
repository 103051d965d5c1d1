#include "substitutes/script.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "common/text.h"
#include "inventory/passes.h"

namespace {

bool IsPlainByte(unsigned char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           std::string_view("\\&_.{}#:/").find(static_cast<char>(ch)) != std::string_view::npos;
}

bool ParseText(const std::string& strWord, std::optional<std::u16string>& strText)
{
    if (strWord == "-") {
        strText.reset();
        return true;
    }
    if (strWord.empty() || strWord[0] != '=')
        return false;
    std::string strBytes;
    for (size_t i = 1; i < strWord.size(); ++i) {
        if (strWord[i] != '%') {
            strBytes += strWord[i];
            continue;
        }
        if (i + 2 >= strWord.size())
            return false;
        const int nHigh = HexDigitValue(static_cast<char16_t>(strWord[i + 1]));
        const int nLow = HexDigitValue(static_cast<char16_t>(strWord[i + 2]));
        if (nHigh < 0 || nLow < 0)
            return false;
        strBytes += static_cast<char>(nHigh * 16 + nLow);
        i += 2;
    }
    strText = Utf8ToUtf16(strBytes);
    return true;
}

bool ParseNumber(const std::string& strWord, uint32_t& nValue)
{
    if (strWord.empty())
        return false;
    char* pEnd = nullptr;
    const unsigned long long nParsed = std::strtoull(strWord.c_str(), &pEnd, 0);
    if (*pEnd != '\0' || nParsed > 0xFFFFFFFFull)
        return false;
    nValue = static_cast<uint32_t>(nParsed);
    return true;
}

bool ParseComponent(std::istringstream& words, CScriptComponent& component)
{
    std::string strCharacteristics, strGuid, strId, strFault;
    if (!(words >> strCharacteristics >> strGuid >> strId) ||
        !ParseNumber(strCharacteristics, component.m_dwCharacteristics) || !ParseGuidText(AsciiToUtf16(strGuid), component.m_guid) || !ParseText(strId, component.m_strId))
        return false;
    while (words >> strFault) {
        if (strFault == "characteristics-fails")
            component.m_bCharacteristicsFails = true;
        else if (strFault == "guid-fails")
            component.m_bGuidFails = true;
        else if (strFault == "id-fails")
            component.m_bIdFails = true;
        else
            return false;
    }
    return true;
}

bool ParseDevice(std::istringstream& words, CScriptDevice& device)
{
    std::string strId, strWord;
    std::optional<std::u16string> strInstanceId;
    if (!(words >> strId) || !ParseText(strId, strInstanceId) || !strInstanceId)
        return false;
    device.m_strInstanceId = *strInstanceId;
    while (words >> strWord) {
        if (strWord == "no-conf") {
            device.m_bNoConfiguration = true;
            continue;
        }
        CScriptResource resource;
        const size_t nColon = strWord.find(':');
        const std::string strFault = nColon == std::string::npos ? "" : strWord.substr(nColon + 1);
        if (!ParseNumber(strWord.substr(0, nColon), resource.m_nType))
            return false;
        if (strFault == "size-fails")
            resource.m_bSizeFails = true;
        else if (strFault == "data-fails")
            resource.m_bDataFails = true;
        else if (nColon != std::string::npos)
            return false;
        device.m_resources.push_back(resource);
    }
    return true;
}

bool ParseNetCfg(std::istringstream& words, CSubstituteScript& script)
{
    std::string strFault;
    while (words >> strFault) {
        std::string strIndex;
        uint32_t nIndex = 0;
        if (strFault == "enum-fails") {
            script.m_bEnumFails = true;
        } else if ((strFault == "next-fails-at" || strFault == "next-empty-at") && words >> strIndex &&
                   ParseNumber(strIndex, nIndex)) {
            (strFault == "next-fails-at" ? script.m_nNextFailsAt : script.m_nNextEmptyAt) = nIndex;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string FormatScriptText(const std::optional<std::u16string>& strText)
{
    if (!strText)
        return "-";
    std::string strWord = "=";
    for (const unsigned char ch : Utf16ToUtf8(*strText)) {
        if (IsPlainByte(ch)) {
            strWord += static_cast<char>(ch);
        } else {
            strWord += '%';
            AppendHexByte(strWord, ch);
        }
    }
    return strWord;
}

bool ParseSubstituteScript(std::string_view text, CSubstituteScript& script, std::string& strError)
{
    script = CSubstituteScript();
    std::istringstream lines{std::string(text)};
    std::string strLine;
    for (int nLine = 1; std::getline(lines, strLine); ++nLine) {
        std::istringstream words(strLine);
        std::string strKind;
        if (!(words >> strKind) || strKind[0] == '#')
            continue;
        bool bGood = false;
        if (strKind == "netcfg") {
            bGood = ParseNetCfg(words, script);
        } else if (strKind == "component") {
            script.m_components.emplace_back();
            bGood = ParseComponent(words, script.m_components.back());
        } else if (strKind == "device") {
            script.m_devices.emplace_back();
            bGood = ParseDevice(words, script.m_devices.back());
        }
        if (!bGood) {
            strError = "line " + std::to_string(nLine) + ": " + strLine;
            return false;
        }
    }
    return true;
}

std::string FormatSubstituteScript(const CSubstituteScript& script)
{
    std::string strText;
    std::string strNetCfg;
    if (script.m_bEnumFails)
        strNetCfg += " enum-fails";
    if (script.m_nNextFailsAt)
        strNetCfg += " next-fails-at " + std::to_string(*script.m_nNextFailsAt);
    if (script.m_nNextEmptyAt)
        strNetCfg += " next-empty-at " + std::to_string(*script.m_nNextEmptyAt);
    if (!strNetCfg.empty())
        strText += "netcfg" + strNetCfg + "\n";
    for (const CScriptComponent& component : script.m_components) {
        strText += "component " + std::to_string(component.m_dwCharacteristics) + " " +
                   Utf16ToUtf8(FormatGuidText(component.m_guid)) + " " + FormatScriptText(component.m_strId);
        strText += component.m_bCharacteristicsFails ? " characteristics-fails" : "";
        strText += component.m_bGuidFails ? " guid-fails" : "";
        strText += component.m_bIdFails ? " id-fails" : "";
        strText += "\n";
    }
    for (const CScriptDevice& device : script.m_devices) {
        strText += "device " + FormatScriptText(device.m_strInstanceId);
        strText += device.m_bNoConfiguration ? " no-conf" : "";
        for (const CScriptResource& resource : device.m_resources) {
            strText += " " + std::to_string(resource.m_nType);
            strText += resource.m_bSizeFails ? ":size-fails" : resource.m_bDataFails ? ":data-fails" : "";
        }
        strText += "\n";
    }
    return strText;
}

bool LoadSubstituteScript(CSubstituteScript& script)
{
    script = CSubstituteScript();
    wchar_t szPath[MAX_PATH] = {};
    const DWORD nLength = GetEnvironmentVariableW(kSubstituteScriptVariable, szPath, MAX_PATH);
    if (nLength == 0)
        return true;
    if (nLength >= MAX_PATH)
        return false;
    FILE* pFile = _wfopen(szPath, L"rb");
    if (!pFile)
        return false;
    std::string strText;
    char buffer[4096];
    size_t nRead = 0;
    while ((nRead = std::fread(buffer, 1, sizeof(buffer), pFile)) > 0)
        strText.append(buffer, nRead);
    std::fclose(pFile);
    std::string strError;
    return ParseSubstituteScript(strText, script, strError);
}

const CScriptDevice* FindScriptDevice(const CSubstituteScript& script, std::u16string_view strInstanceId)
{
    for (const CScriptDevice& device : script.m_devices) {
        if (EqualsNoCase(device.m_strInstanceId, strInstanceId))
            return &device;
    }
    return nullptr;
}
