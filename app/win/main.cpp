// LumoHostID.exe: the one application object and the wide GUI entry point.

#include <windows.h>

#include "app/win/lumo_host_id_app.h"

namespace {

CLumoHostIdApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR /*pCmdLine*/, int /*nCmdShow*/)
{
    return RunApplication(hInstance);
}
