// Runs one detection pass in a module whose signature resource is missing or
// has the wrong size: the engine must show its box and end the process with
// 65535 before it returns.
#include "ScanEngine.h"

int main()
{
    CScanEngine engine;
    long out = 0;
    engine.Init(0, 1, &out);
    engine.DetectDW(&out);
    return 0;
}
