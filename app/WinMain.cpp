#include <windows.h>

#include "app/MainMod.h"
#include "win/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Win::Application::RestrictDllSearch();  // before any window, mutex or shell call loads a DLL
    return Win::Application::Run(MainMod::kProductName, MainMod::Main);
}
