// Prints what the engine object binds and lists on this system; run under a
// Windows 3.1 personality it must still be made, with nothing bound.
#include "ScanEngine.h"

#include <cstdio>

namespace {
class Probe : public CScanEngine {
public:
    bool Bound() const { return m_pfnCreateToolhelp32Snapshot || m_pfnProcess32First || m_pfnProcess32Next; }
    int Listed() const { return m_pProcessList->GetCount(); }
};
}   // namespace

int main()
{
    Probe engine;
    bool snapshot = engine.SnapshotProcesses();
    DWORD found = engine.FindProcessId("C:\\windows\\system32\\services.exe");
    std::printf("major=%u bound=%d listed=%d found=%lu snapshot=%d\n", LOBYTE(LOWORD(::GetVersion())),
                engine.Bound() ? 1 : 0, engine.Listed(), static_cast<unsigned long>(found), snapshot ? 1 : 0);
    return 0;
}
