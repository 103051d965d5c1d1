// LumoHostID.exe: the one application object and the wide GUI entry point.

#include <windows.h>

#include "app/win/lumo_host_id_app.h"
#include "common/win/system_module.h"

namespace {

CLumoHostIdApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR /*pCmdLine*/, int /*nCmdShow*/)
{
    // Before anything can load a DLL by name: from here on Windows looks for DLLs in the system directory only,
    // never in this program's folder (often a Downloads folder) or the working directory. Where Windows lacks the
    // call the program still runs; it loads its own DLLs from the system directory in any case.
    RestrictDllSearchToSystemDirectory();
    return RunApplication(hInstance);
}
