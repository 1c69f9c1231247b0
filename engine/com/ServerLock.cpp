#include "engine/com/ServerLock.h"

namespace {
volatile LONG g_cServerLocks = 0;
}

LONG ServerLockCount()
{
    return ::InterlockedCompareExchange(&g_cServerLocks, 0, 0);
}

void LockServerModule()
{
    ::InterlockedIncrement(&g_cServerLocks);
}

void UnlockServerModule()
{
    ::InterlockedDecrement(&g_cServerLocks);
}
