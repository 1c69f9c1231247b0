// Console driver for the engine: lists the running images as the engine sees
// them and writes a log section to Kestrix.log in the current directory.
#include "ScanEngine.h"

#include <cstdio>

namespace {

class ConsoleEngine : public CScanEngine {
public:
    void PrintProcesses()
    {
        if (!SnapshotProcesses()) {
            std::printf("No process snapshot could be taken.\n");
            return;
        }
        std::printf("Running images (%d):\n", m_pProcessList->GetCount());
        for (const std::string& path : m_pProcessList->Items()) std::printf("  %s\n", path.c_str());
    }
};

} // namespace

int main()
{
    ConsoleEngine engine;
    long result = 0;
    engine.Init(1, 1, &result);
    engine.PrintProcesses();
    return 0;
}
