#include <windows.h>

#include "app/MainMod.h"
#include "win/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return Win::Application::Run(MainMod::kProductName, MainMod::Main);
}
