// The module's server lock count: live engine objects, LockServer calls and
// an outside reference to the class object each hold one. The DLL may be
// unloaded only when it is 0.
#pragma once

#include <windows.h>

LONG ServerLockCount();
void LockServerModule();
void UnlockServerModule();
