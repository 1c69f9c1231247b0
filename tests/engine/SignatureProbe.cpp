// Runs one detection pass in a module whose signature resource is missing or
// has the wrong size: the engine must show its box and end the process with
// 65535 before it returns.
#include "engine/com/ScanEngineObject.h"

int main()
{
    CScanEngineObject* engine = new CScanEngineObject;
    engine->AddRef();
    LONG out = 0;
    engine->Init(0, 1, &out);
    engine->DetectDW(&out);
    engine->Release();
    return 0;
}
