// Kestrix: finds and removes the Duskwire trojan from the notification area.
#include "app/KestrixApp.h"

#include <windows.h>

namespace {
// Constructed before WinMain, destroyed by the runtime's exit after it.
CKestrixApp theApp;
}   // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return kx::RunApplication();
}
