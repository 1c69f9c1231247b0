// One Kestrix per logged-on user: the first start holds a named mutex for its
// whole life; a later start finds it, asks the running program for its main
// dialog and ends without touching the settings, the log or the tray.
#pragma once

#include "framework/Handles.h"

class CSingleInstance {
public:
    // True when no other Kestrix runs in this session; this object then keeps
    // the others out until it goes. Also true when the mutex cannot be made
    // at all, so a system short of handles still gets a working program.
    bool Claim();

    // Brings up the running program's main dialog as its tray menu's "Open"
    // does, or the dialog it shows already. Nothing when its frame does not
    // exist yet (it is still starting, or registering on its first run).
    static void ShowRunningInstance();

    // The mutex's name; unprefixed, so per session where the system has
    // sessions, and the one namespace of 9x and NT 4.0.
    static const char* const kMutexName;

private:
    kx::KernelHandle m_mutex;
};
