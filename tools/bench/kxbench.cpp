// Measurements for tools/bench/bench.sh, run inside Wine:
//
//   kxbench pass K          K silent detection passes on one engine object,
//                           one line "pass <ms>" each
//   kxbench floor K         the I/O floor: one process snapshot, then per
//                           running image its path, one open, one seek and
//                           one 1,024-byte read; one line "floor <ms>" each
//   kxbench both K          K of each, a pass and the floor in turn, so that
//                           whatever else the machine does falls on both
//   kxbench steps K         K rounds of a detection pass, then its rules once
//                           more over a machine that times its calls, one line
//                           each: "runservices" (the values and their files),
//                           "snapshot" (the process snapshot and every image
//                           path), "registered" (the RunServices images),
//                           "running" (every running image read), "config"
//                           (the configuration block), "report" (the rest of
//                           the pass, timed whole minus the steps); then the
//                           floor's "floor_paths" and "floor_reads"
//   kxbench verdict FILE... "1 FILE" or "0 FILE": does FILE carry the signature
//   kxbench memory K        working set before and after K passes on one
//                           object, and K create/release cycles through COM
//   kxbench ws NAME         working set of the running program NAME, in KiB
//   kxbench startup K EXE CLASS ID
//                           K starts of EXE (in its folder): ms from the
//                           start until its window of CLASS has tray icon ID,
//                           one line "startup <ms>" each; each run is then
//                           ended (WM_CLOSE to a baseline, the tray menu's
//                           Exit to Kestrix, else terminated)
#include "engine/core/Detection.h"
#include "framework/Handles.h"
#include "engine/live/ImageFile.h"
#include "engine/live/LiveMachine.h"
#include "engine/com/ScanEngineObject.h"
#include "ScanEngine_h.h"
#include "engine/SignatureResource.h"

#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Vista and later; the build targets older headers.
extern "C" BOOL WINAPI QueryFullProcessImageNameA(HANDLE, DWORD, LPSTR, PDWORD);

namespace {

double Now();

// An engine object as a client holds one, through its COM object.
class BenchEngine {
public:
    BenchEngine() : m_object(new CScanEngineObject) { m_object->AddRef(); }
    ~BenchEngine() { m_object->Release(); }
    BenchEngine(const BenchEngine&) = delete;
    BenchEngine& operator=(const BenchEngine&) = delete;
    HRESULT Init(LONG log, LONG silent, LONG* out) { return m_object->Init(log, silent, out); }
    HRESULT DetectDW(LONG* out) { return m_object->DetectDW(out); }

private:
    CScanEngineObject* m_object;
};

// The running Windows with the time of every call taken, by the step of the
// pass it falls in: before the process list the RunServices values (and
// their files), then the registered images, then (between the progress
// report's begin and end) every running image, then the configuration blocks.
class TimedMachine : public CLiveMachine, public CPassHost {
public:
    enum Step { kRunServices, kSnapshot, kRegistered, kRunning, kConfig, kSteps };
    double took[kSteps] = {};

    bool ReadRunServices(std::vector<RunServicesValue>& values) override
    {
        return Timed([&] { return CLiveMachine::ReadRunServices(values); });
    }
    bool ListRunningImages(std::vector<std::string>& images) override
    {
        m_step = kSnapshot;
        bool listed = Timed([&] { return CLiveMachine::ListRunningImages(images); });
        m_step = kRegistered;
        return listed;
    }
    bool ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got) override
    {
        return Timed([&] { return CLiveMachine::ReadAt(path, offset, buffer, length, got); });
    }
    void Notify(EngineNotice) override {}
    void ProgressBegin(size_t) override { m_step = kRunning; }
    void ProgressStep() override {}
    void ProgressEnd() override { m_step = kConfig; }

private:
    template <typename Call>
    bool Timed(Call call)
    {
        const double begin = Now();
        bool result = call();
        took[m_step] += Now() - begin;
        return result;
    }
    Step m_step = kRunServices;
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

// The floor's first half: one snapshot, then every image's path.
std::vector<std::string> FloorPaths()
{
    std::vector<std::string> paths;
    kx::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
        char path[MAX_PATH];
        DWORD size = MAX_PATH;
        kx::KernelHandle process(::OpenProcess(0x1000, FALSE, entry.th32ProcessID));
        if (process && ::QueryFullProcessImageNameA(process.Get(), 0, path, &size)) paths.emplace_back(path, size);
    }
    return paths;
}

// The second half: per image one open, one seek and one 1,024-byte read.
void FloorReads(const std::vector<std::string>& paths)
{
    char buffer[1024];
    for (const std::string& path : paths)
        if (kx::FileHandle file = OpenImageFile(path)) ReadAt(file, kSignatureOffset, buffer, sizeof buffer);
}

void Floor()
{
    FloorReads(FloorPaths());
}

DWORD FindProcess(const char* name)
{
    kx::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry))
        if (!lstrcmpiA(entry.szExeFile, name)) return entry.th32ProcessID;
    return 0;
}

struct WindowSearch {
    DWORD pid;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hWnd, LPARAM lParam)
{
    WindowSearch* s = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (pid != s->pid || lstrcmpA(cls, s->className) != 0) return TRUE;
    s->found = hWnd;
    return FALSE;
}

HWND ProcessWindow(DWORD pid, const char* className)
{
    WindowSearch s{pid, className, nullptr};
    ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Whether the shell holds tray icon id of the window.
bool HasTrayIcon(HWND hWnd, UINT id)
{
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd;
    nid.uID = id;
    return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

// One start of exe: ms until its CLASS window has tray icon id, or -1.
double StartUp(const char* exe, const char* className, UINT id)
{
    std::string folder(exe);
    folder.erase(folder.find_last_of('\\'));
    std::string commandLine = std::string("\"") + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double start = Now();
    if (!::CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return -1;
    kx::KernelHandle process(pi.hProcess), thread(pi.hThread);
    double took = -1;
    HWND window = nullptr;
    while (Now() - start < 60000 && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
        if (!window) window = ProcessWindow(pi.dwProcessId, className);
        if (window && HasTrayIcon(window, id)) {
            took = Now() - start;
            break;
        }
        ::Sleep(1);
    }
    // End it as a user would, so that the next start finds a clean tray.
    if (HWND frame = ProcessWindow(pi.dwProcessId, "KxFrameWnd"))
        ::PostMessageA(frame, WM_COMMAND, 32792, 0);
    else if (window)
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) ::TerminateProcess(process.Get(), 1);
    return took;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const char* mode = argv[1];
    int count = argc > 2 ? std::atoi(argv[2]) : 1;
    const bool pass = !std::strcmp(mode, "pass") || !std::strcmp(mode, "both");
    const bool floor = !std::strcmp(mode, "floor") || !std::strcmp(mode, "both");
    if (pass || floor) {
        BenchEngine engine;
        LONG out = 0;
        engine.Init(0, 1, &out);
        for (int i = 0; i < count; ++i) {
            if (pass) {
                double start = Now();
                engine.DetectDW(&out);
                std::printf("pass %.3f found=%ld\n", Now() - start, static_cast<long>(out));
            }
            if (floor) {
                double start = Now();
                Floor();
                std::printf("floor %.3f\n", Now() - start);
            }
        }
    } else if (!std::strcmp(mode, "steps")) {
        BenchEngine engine;
        LONG out = 0;
        engine.Init(0, 1, &out);
        engine.DetectDW(&out);
        for (int i = 0; i < count; ++i) {
            double start = Now();
            engine.DetectDW(&out);
            const double whole = Now() - start;
            // The same rules once more over a machine that times its calls.
            TimedMachine machine;
            Detect(machine, LoadSignature(), machine);
            const char* names[] = {"runservices", "snapshot", "registered", "running", "config"};
            double steps = 0;
            for (int k = 0; k < TimedMachine::kSteps; ++k) {
                std::printf("%s %.3f\n", names[k], machine.took[k]);
                steps += machine.took[k];
            }
            std::printf("report %.3f\n", whole - steps);
            start = Now();
            const std::vector<std::string> paths = FloorPaths();
            std::printf("floor_paths %.3f\n", Now() - start);
            start = Now();
            FloorReads(paths);
            std::printf("floor_reads %.3f\n", Now() - start);
        }
    } else if (!std::strcmp(mode, "verdict")) {
        CLiveMachine machine;
        const unsigned char* signature = LoadSignature();
        if (!signature) return 3;
        for (int i = 2; i < argc; ++i)
            std::printf("%d %s\n", CheckSignature(machine, argv[i], signature) == SignatureCheck::Carrier ? 1 : 0,
                        argv[i]);
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
        kx::KernelHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, FindProcess(argv[2])));
        std::printf("ws_kib %lu\n", static_cast<unsigned long>(process ? WorkingSet(process.Get()) / 1024 : 0));
    } else if (!std::strcmp(mode, "startup") && argc > 5) {
        for (int i = 0; i < count; ++i)
            std::printf("startup %.3f\n", StartUp(argv[3], argv[4], static_cast<UINT>(std::atoi(argv[5]))));
    } else {
        return 2;
    }
    return 0;
}
