// Prints what the engine object binds and lists on this system; run under a
// Windows 3.1 personality it must still be made, with nothing bound.
#include "engine/live/LiveMachine.h"
#include "engine/com/ScanEngineObject.h"

#include <cstdio>

namespace {
class Probe : public CLiveMachine {
public:
    bool Bound() const { return m_pfnCreateToolhelp32Snapshot || m_pfnProcess32First || m_pfnProcess32Next; }
};
}   // namespace

int main()
{
    CScanEngineObject* engine = new CScanEngineObject;   // made all the same
    engine->AddRef();
    engine->Release();
    Probe machine;
    std::vector<std::string> images;
    bool snapshot = machine.ListRunningImages(images);
    DWORD found = machine.FindProcessId("C:\\windows\\system32\\services.exe");
    std::printf("major=%u bound=%d listed=%d found=%lu snapshot=%d\n", LOBYTE(LOWORD(::GetVersion())),
                machine.Bound() ? 1 : 0, static_cast<int>(images.size()), static_cast<unsigned long>(found),
                snapshot ? 1 : 0);
    return 0;
}
