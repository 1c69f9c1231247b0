// Running processes through the ToolHelp32 snapshot of kernel32.dll, bound at
// run time so the engine loads on systems that lack it.
#include "engine/live/LiveMachine.h"

#include "framework/Handles.h"
#include "framework/Text.h"

#include <cstring>

static_assert(sizeof(PROCESSENTRY32) == 296, "the 32-bit ANSI process entry");

namespace {

// Not in the headers of every SDK; the value is fixed.
const DWORD kProcessQueryLimitedInformation = 0x1000;

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && kx::LowerCase(a) == kx::LowerCase(b);
}

}   // namespace

bool CLiveMachine::BindToolHelp()
{
    if (LOBYTE(LOWORD(::GetVersion())) < 4) return false;
    m_hKernel32 = ::GetModuleHandleA("kernel32.dll");
    if (!m_hKernel32) return false;

    m_pfnCreateToolhelp32Snapshot =
        reinterpret_cast<PFN_CreateToolhelp32Snapshot>(::GetProcAddress(m_hKernel32, "CreateToolhelp32Snapshot"));
    if (!m_pfnCreateToolhelp32Snapshot) return false;
    m_pfnProcess32First = reinterpret_cast<PFN_Process32>(::GetProcAddress(m_hKernel32, "Process32First"));
    if (!m_pfnProcess32First) return false;
    m_pfnProcess32Next = reinterpret_cast<PFN_Process32>(::GetProcAddress(m_hKernel32, "Process32Next"));
    if (!m_pfnProcess32Next) return false;

    // Path resolution for systems whose szExeFile holds only the file name.
    // Absent on Windows 9x, NT 4 and 2000; either may be missing.
    m_pfnQueryFullProcessImageName =
        reinterpret_cast<PFN_QueryFullProcessImageName>(::GetProcAddress(m_hKernel32, "QueryFullProcessImageNameA"));
    m_pfnModule32First = reinterpret_cast<PFN_Module32First>(::GetProcAddress(m_hKernel32, "Module32First"));
    return true;
}

std::string CLiveMachine::ImagePathOf(const PROCESSENTRY32& entry) const
{
    std::string name(entry.szExeFile);
    if (name.find('\\') != std::string::npos) return name;
    // The idle process has no image; a module snapshot of "process 0" would
    // be one of the calling process.
    if (entry.th32ProcessID == 0) return name;

    if (m_pfnQueryFullProcessImageName) {
        kx::KernelHandle process(::OpenProcess(kProcessQueryLimitedInformation, FALSE, entry.th32ProcessID));
        if (!process) process.Reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID));
        if (process) {
            char path[MAX_PATH];
            DWORD size = MAX_PATH;
            if (m_pfnQueryFullProcessImageName(process.Get(), 0, path, &size) && size > 0)
                return std::string(path, size);
        }
    }
    if (m_pfnModule32First) {
        kx::FileHandle modules(m_pfnCreateToolhelp32Snapshot(TH32CS_SNAPMODULE, entry.th32ProcessID));
        if (modules) {
            MODULEENTRY32 module{};
            module.dwSize = sizeof module;
            if (m_pfnModule32First(modules.Get(), &module)) return module.szExePath;
        }
    }
    return name;   // cannot be resolved: the bare name stays
}

bool CLiveMachine::ListRunningImages(std::vector<std::string>& images)
{
    images.clear();
    if (!m_pfnCreateToolhelp32Snapshot || !m_pfnProcess32First || !m_pfnProcess32Next) return false;

    kx::FileHandle snapshot(m_pfnCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;

    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = m_pfnProcess32First(snapshot.Get(), &entry); more;
         more = m_pfnProcess32Next(snapshot.Get(), &entry)) {
        // A bare name that the system would not resolve (NT's idle and System
        // processes, protected ones, another user's) names no file we could
        // read: opened as it stands it would be a file of the current folder.
        std::string path = ImagePathOf(entry);
        if (path.find('\\') != std::string::npos) images.push_back(path);
    }
    return true;
}

DWORD CLiveMachine::FindProcessId(const std::string& imagePath) const
{
    if (!m_pfnCreateToolhelp32Snapshot || !m_pfnProcess32First || !m_pfnProcess32Next) return kNoSnapshotTaken;

    kx::FileHandle snapshot(m_pfnCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return kNoSnapshotTaken;

    // A bare szExeFile must equal the file-name part of the path; only those
    // processes are worth resolving.
    size_t slash = imagePath.find_last_of('\\');
    std::string fileName = slash == std::string::npos ? imagePath : imagePath.substr(slash + 1);

    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = m_pfnProcess32First(snapshot.Get(), &entry); more;
         more = m_pfnProcess32Next(snapshot.Get(), &entry)) {
        bool bare = strchr(entry.szExeFile, '\\') == nullptr;
        if (bare && (entry.th32ProcessID == 0 || !SameText(entry.szExeFile, fileName))) continue;
        if (SameText(ImagePathOf(entry), imagePath)) return entry.th32ProcessID;
    }
    return kProcessNotRunning;
}

bool CLiveMachine::TerminateImage(const std::string& imagePath)
{
    DWORD pid = FindProcessId(imagePath);
    if (pid == kNoSnapshotTaken || pid == kProcessNotRunning) return false;
    kx::KernelHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
    if (!process || !::TerminateProcess(process.Get(), static_cast<UINT>(-1))) return false;
    ::WaitForSingleObject(process.Get(), 2500);
    return true;
}
