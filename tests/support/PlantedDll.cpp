#include <windows.h>

#include "tests/support/PlantedDll.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) CreateEventA(nullptr, TRUE, TRUE, kPlantedDllLoaded);  // never closed
    return TRUE;
}
