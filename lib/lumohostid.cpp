// The C interface of liblumohostid. Each call builds what it needs on its own stack and frees it before it
// returns, so that calls on several threads share nothing; no C++ exception leaves a function of this file.

#include "lumohostid.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "hostid/host_id_check.h"
#include "inspect/platform.h"
#include "inspect/report.h"
#include "inventory/base_host_id.h"
#include "inventory/sources.h"

#ifndef LUMOHOSTID_VERSION_TEXT
#error "the build defines LUMOHOSTID_VERSION_TEXT"
#endif

namespace {

// Runs one call's work and turns anything it throws into a result code, since an exception must not unwind into a
// C caller (nor into a C++ caller built with another runtime).
template <class Fn>
int Guarded(Fn&& fn) noexcept
{
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        return LUMOHOSTID_E_NO_MEMORY;
    } catch (...) {
        return LUMOHOSTID_E_INTERNAL;
    }
}

int CheckResult(EHostIdCheck eResult)
{
    switch (eResult) {
    case EHostIdCheck::kValid:
        return LUMOHOSTID_OK;
    case EHostIdCheck::kEmpty:
        return LUMOHOSTID_E_EMPTY;
    case EHostIdCheck::kMalformed:
        return LUMOHOSTID_E_MALFORMED;
    case EHostIdCheck::kCheckByte:
        return LUMOHOSTID_E_CHECK_BYTE;
    case EHostIdCheck::kTypeCode:
        return LUMOHOSTID_E_TYPE_CODE;
    }
    return LUMOHOSTID_E_INTERNAL;
}

}  // namespace

extern "C" {

int lumohostid_get(char* buffer, size_t size)
{
    if (!buffer)
        return LUMOHOSTID_E_NULL_POINTER;
    // The text is emptied first, so that a caller who ignores the result never reads an old or partial ID.
    if (size > 0)
        buffer[0] = '\0';
    if (size < LUMOHOSTID_SIZE)
        return LUMOHOSTID_E_BUFFER_TOO_SMALL;

    return Guarded([&] {
        // The sources and the inventory the programs use, built for this call alone.
        CLiveSources sources;
        const CHostIdOutcome outcome = DetermineHostId(sources.Get());
        // An inventory that memory ran out for may lack the very adapter the ID comes from: that is a failure, not
        // a machine without an adapter.
        if (outcome.m_bNoMemory)
            return LUMOHOSTID_E_NO_MEMORY;
        if (outcome.m_strHostId.empty())
            return LUMOHOSTID_NO_ADAPTER;
        // The text is the program's output file without its zero byte: 14 single-byte characters.
        const std::vector<uint8_t> bytes = OutputFileBytes(outcome.m_strHostId);
        if (bytes.size() != LUMOHOSTID_SIZE)
            return LUMOHOSTID_E_INTERNAL;
        std::memcpy(buffer, bytes.data(), bytes.size());
        return LUMOHOSTID_OK;
    });
}

const char* lumohostid_strerror(int code)
{
    switch (code) {
    case LUMOHOSTID_OK:
        return "success";
    case LUMOHOSTID_NO_ADAPTER:
        return "no network adapter qualifies for a host ID";
    case LUMOHOSTID_E_NULL_POINTER:
        return "a pointer argument is null";
    case LUMOHOSTID_E_BUFFER_TOO_SMALL:
        return "the buffer holds fewer than 15 bytes";
    case LUMOHOSTID_E_NO_MEMORY:
        return "out of memory";
    case LUMOHOSTID_E_INTERNAL:
        return "unexpected failure inside the library";
    case LUMOHOSTID_E_EMPTY:
        return "the host ID is empty";
    case LUMOHOSTID_E_MALFORMED:
        return "a host ID is five pairs of hexadecimal digits joined by hyphens, such as 44-9D-95-72-3E";
    case LUMOHOSTID_E_CHECK_BYTE:
        return "the last pair is not the check byte of the first four: a character is mistyped";
    case LUMOHOSTID_E_TYPE_CODE:
        return "the fourth pair must end in 2, the type code of a host ID from an adapter address";
    default:
        return "unknown result code";
    }
}

int lumohostid_check(const char* text)
{
    if (!text)
        return LUMOHOSTID_E_NULL_POINTER;
    return Guarded([&] { return CheckResult(CheckHostIdText(text).m_eResult); });
}

int lumohostid_report_json(char** json)
{
    if (!json)
        return LUMOHOSTID_E_NULL_POINTER;
    *json = nullptr;
    return Guarded([&] {
        // The report of lumohostid-inspect, built by the same code from the same sources.
        CLiveSources sources;
        const CInspectReport report = BuildReport(sources.Get(), GetLocalComputerName());
        if (report.m_bNoMemory)
            return LUMOHOSTID_E_NO_MEMORY;
        const std::string strJson = FormatJsonReport(report);
        // malloc, not new: the caller may be C, and lumohostid_free is the one place that gives it back.
        char* const pText = static_cast<char*>(std::malloc(strJson.size() + 1));
        if (!pText)
            return LUMOHOSTID_E_NO_MEMORY;
        std::memcpy(pText, strJson.c_str(), strJson.size() + 1);
        *json = pText;
        return LUMOHOSTID_OK;
    });
}

void lumohostid_free(char* text)
{
    std::free(text);
}

const char* lumohostid_version(void)
{
    return LUMOHOSTID_VERSION_TEXT;
}

}  // extern "C"
