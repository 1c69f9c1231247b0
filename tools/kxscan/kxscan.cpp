// Console driver for the engine: runs one detection pass in the current
// directory (Kestrix.log is written there) and prints what it found.
#include "ScanEngine.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

void PrintList(const char* heading, const VARIANT& list)
{
    std::printf("%s\n", heading);
    SAFEARRAY* array = V_ARRAY(&list);
    LONG lower = 0, upper = -1;
    ::SafeArrayGetLBound(array, 1, &lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        BSTR item = nullptr;
        ::SafeArrayGetElement(array, &i, &item);
        std::printf("  %ls\n", item ? item : L"");
        ::SysFreeString(item);
    }
}

} // namespace

int main(int argc, char** argv)
{
    bool shown = argc > 1 && std::strcmp(argv[1], "--window") == 0;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);

    CScanEngine engine;
    long result = 0;
    engine.Init(1, shown ? 0 : 1, &result);
    engine.DetectDW(&result);
    std::printf(result ? "Duskwire detected.\n" : "Duskwire not detected.\n");
    if (result) {
        VARIANT registry, processes;
        engine.get_RegistryList(&registry);
        engine.get_ProcessList(&processes);
        PrintList("RunServices values:", registry);
        PrintList("Server processes:", processes);
        ::VariantClear(&registry);
        ::VariantClear(&processes);
    }
    return result ? 1 : 0;
}
