#include <windows.h>

#include "win/Application.h"
#include "app/MainMod.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return Win::Application::Run(MainMod::kProductName, MainMod::Main);
}
