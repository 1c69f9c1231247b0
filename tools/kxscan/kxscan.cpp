// Console driver for the engine: runs one detection pass in the current
// directory (Kestrix.log is written there) and prints what it found.
#include "engine/com/ScanEngineObject.h"
#include "framework/VariantStrings.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

void PrintList(const char* heading, const VARIANT& list)
{
    std::printf("%s\n", heading);
    for (const std::wstring& item : kx::VariantStrings(list)) std::printf("  %ls\n", item.c_str());
}

}   // namespace

int main(int argc, char** argv)
{
    bool shown = argc > 1 && std::strcmp(argv[1], "--window") == 0;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);

    CScanEngineObject* object = new CScanEngineObject;
    object->AddRef();
    IScanEngine& engine = *object;
    LONG result = 0;
    engine.Init(1, shown ? 0 : 1, &result);
    engine.DetectDW(&result);
    std::printf(result ? "Duskwire detected.\n" : "Duskwire not detected.\n");
    if (result) {
        kx::Variant registry, processes;
        engine.get_RegistryList(registry.Put());
        engine.get_ProcessList(processes.Put());
        PrintList("RunServices values:", registry.Get());
        PrintList("Server processes:", processes.Get());
    }
    object->Release();
    return result ? 1 : 0;
}
