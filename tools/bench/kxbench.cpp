// Measurements for tools/bench/bench.sh, run inside Wine:
//
//   kxbench pass K          K silent detection passes on one engine object,
//                           one line "pass <ms>" each
//   kxbench floor K         the I/O floor: one process snapshot, then per
//                           running image its path, one open, one seek and
//                           one 1,024-byte read; one line "floor <ms>" each
//   kxbench verdict FILE... "1 FILE" or "0 FILE": does FILE carry the signature
//   kxbench memory K        working set before and after K passes on one
//                           object, and K create/release cycles through COM
//   kxbench ws NAME         working set of the running program NAME, in KiB
#include "ScanEngine.h"
#include "ScanEngine_h.h"
#include "Signature.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// Vista and later; the build targets older headers.
extern "C" BOOL WINAPI QueryFullProcessImageNameA(HANDLE, DWORD, LPSTR, PDWORD);

namespace {

class BenchEngine : public CScanEngine {
public:
    using CScanEngine::MatchesSignature;
};

double Now()
{
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

SIZE_T WorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(process, &counters, sizeof counters);
    return counters.WorkingSetSize;
}

void Floor()
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    char buffer[1024];
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
        HANDLE process = ::OpenProcess(0x1000, FALSE, entry.th32ProcessID);
        char path[MAX_PATH];
        DWORD size = MAX_PATH;
        bool named = process && ::QueryFullProcessImageNameA(process, 0, path, &size);
        if (process) ::CloseHandle(process);
        if (!named) continue;
        HANDLE file =
            ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        DWORD got = 0;
        ::SetFilePointer(file, 15710, nullptr, FILE_BEGIN);
        ::ReadFile(file, buffer, sizeof buffer, &got, nullptr);
        ::CloseHandle(file);
    }
    ::CloseHandle(snapshot);
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const char* mode = argv[1];
    int count = argc > 2 ? std::atoi(argv[2]) : 1;
    if (!std::strcmp(mode, "pass")) {
        BenchEngine engine;
        LONG out = 0;
        engine.Init(0, 1, &out);
        for (int i = 0; i < count; ++i) {
            double start = Now();
            engine.DetectDW(&out);
            std::printf("pass %.3f found=%ld\n", Now() - start, static_cast<long>(out));
        }
    } else if (!std::strcmp(mode, "floor")) {
        for (int i = 0; i < count; ++i) {
            double start = Now();
            Floor();
            std::printf("floor %.3f\n", Now() - start);
        }
    } else if (!std::strcmp(mode, "verdict")) {
        BenchEngine engine;
        std::vector<unsigned char> buffer(kSignatureResourceSize);
        const unsigned char* signature = LoadSignatureOrExit();
        for (int i = 2; i < argc; ++i)
            std::printf("%d %s\n", engine.MatchesSignature(argv[i], buffer.data(), signature) ? 1 : 0, argv[i]);
    } else if (!std::strcmp(mode, "memory")) {
        HANDLE self = ::GetCurrentProcess();
        {
            BenchEngine engine;
            LONG out = 0;
            engine.Init(0, 1, &out);
            engine.DetectDW(&out);
            SIZE_T before = WorkingSet(self);
            for (int i = 0; i < count; ++i) engine.DetectDW(&out);
            std::printf("passes %d before_kib %lu after_kib %lu\n", count, static_cast<unsigned long>(before / 1024),
                        static_cast<unsigned long>(WorkingSet(self) / 1024));
        }
        ::CoInitialize(nullptr);
        IScanEngine* first = nullptr;
        if (SUCCEEDED(::CoCreateInstance(CLSID_ScanEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IScanEngine,
                                         reinterpret_cast<void**>(&first)))) {
            first->Release();
            SIZE_T before = WorkingSet(self);
            for (int i = 0; i < count; ++i) {
                IScanEngine* engine = nullptr;
                ::CoCreateInstance(CLSID_ScanEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IScanEngine,
                                   reinterpret_cast<void**>(&engine));
                LONG out = 0;
                engine->Init(0, 1, &out);
                engine->Release();
            }
            std::printf("cycles %d before_kib %lu after_kib %lu\n", count, static_cast<unsigned long>(before / 1024),
                        static_cast<unsigned long>(WorkingSet(self) / 1024));
        } else {
            std::printf("cycles skipped: engine not registered\n");
        }
        ::CoUninitialize();
    } else if (!std::strcmp(mode, "ws") && argc > 2) {
        DWORD pid = 0;
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32First(snapshot, &entry); more && !pid; more = ::Process32Next(snapshot, &entry))
            if (!lstrcmpiA(entry.szExeFile, argv[2])) pid = entry.th32ProcessID;
        ::CloseHandle(snapshot);
        HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
        std::printf("ws_kib %lu\n", static_cast<unsigned long>(process ? WorkingSet(process) / 1024 : 0));
        if (process) ::CloseHandle(process);
    } else {
        return 2;
    }
    return 0;
}
