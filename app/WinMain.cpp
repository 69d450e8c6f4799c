#include <windows.h>

#include "app/Application.h"
#include "app/MainMod.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return Application::Run(MainMod::Main);
}
