#pragma once

// The script that both test substitutes answer from: the network configuration server (netcfg_server.cpp) and the
// configuration manager's resource functions (cfgmgr32_substitute.cpp). One line per entry, words separated by
// blanks, '#' starting a comment line:
//
//   netcfg FAULT...                       faults of the enumeration: enum-fails, next-fails-at N, next-empty-at N
//   component CHARACTERISTICS GUID ID [FAULT...]
//                                         one network-class component, in enumeration order; CHARACTERISTICS in
//                                         decimal or 0x hex; GUID in braces; faults: characteristics-fails,
//                                         guid-fails, id-fails
//   device INSTANCE-ID [no-conf] RESOURCE...
//                                         the allocated configuration of the device with that instance ID (compared
//                                         without regard to letter case); RESOURCE is a resource type number,
//                                         optionally followed by :size-fails or :data-fails
//
// A text (ID, INSTANCE-ID) is "-" for none, or "=" followed by its UTF-8 bytes with every byte outside letters,
// digits and \&_.{}#:/ written as %XX; "=" alone is the empty text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/sources.h"

struct CScriptComponent {
    uint32_t m_dwCharacteristics = 0;
    CGuidValue m_guid;
    std::optional<std::u16string> m_strId;
    bool m_bCharacteristicsFails = false;
    bool m_bGuidFails = false;
    bool m_bIdFails = false;
};

struct CScriptResource {
    uint32_t m_nType = 0;
    bool m_bSizeFails = false;
    bool m_bDataFails = false;
};

struct CScriptDevice {
    std::u16string m_strInstanceId;
    bool m_bNoConfiguration = false;
    std::vector<CScriptResource> m_resources;
};

struct CSubstituteScript {
    bool m_bEnumFails = false;
    std::optional<uint32_t> m_nNextFailsAt;  // Next answers E_FAIL instead of the component with this index
    std::optional<uint32_t> m_nNextEmptyAt;  // Next answers S_OK without a component instead of this one
    std::vector<CScriptComponent> m_components;
    std::vector<CScriptDevice> m_devices;
};

// The environment variable naming the script file, as a Windows path.
constexpr wchar_t kSubstituteScriptVariable[] = L"LUMO_SUBSTITUTE_SCRIPT";

bool ParseSubstituteScript(std::string_view text, CSubstituteScript& script, std::string& strError);
std::string FormatSubstituteScript(const CSubstituteScript& script);
std::string FormatScriptText(const std::optional<std::u16string>& strText);

// Reads the file that kSubstituteScriptVariable names. An unset variable gives an empty script; a file that cannot
// be read or parsed gives false.
bool LoadSubstituteScript(CSubstituteScript& script);

// The device entry for an instance ID, or none.
const CScriptDevice* FindScriptDevice(const CSubstituteScript& script, std::u16string_view strInstanceId);
