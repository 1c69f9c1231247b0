// The running Windows as the passes see it: RunServices in its registry,
// processes through ToolHelp32 (bound at run time, so the engine loads on
// systems that lack it), and its files.
#pragma once

#include "engine/core/Machine.h"
#include "engine/live/RegistryKey.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

class CLiveMachine : public CMachine {
public:
    CLiveMachine();   // binds ToolHelp32; usable without it too

    bool ReadRunServices(std::vector<RunServicesValue>& values) override;
    ValueLookup LookUpRunServicesValue(const std::string& name, std::string& data) override;
    bool DeleteRunServicesValue(const std::string& name) override;
    bool ListRunningImages(std::vector<std::string>& images) override;
    bool TerminateImage(const std::string& imagePath) override;
    std::string SystemDirectory() override;
    std::string LowerCase(const std::string& text) const override;
    bool ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got) override;
    FileState StateOf(const std::string& path) override;
    bool Exists(const std::string& path) override;
    std::string QuarantineDirectory() override;
    bool MakeDirectory(const std::string& path) override;
    MoveResult Move(const std::string& from, const std::string& to) override;
    bool Delete(const std::string& path) override;

    bool BindToolHelp();
    // 0: no snapshot could be taken; all bits set: no such process runs.
    DWORD FindProcessId(const std::string& imagePath) const;
    static const DWORD kNoSnapshotTaken = 0;
    static const DWORD kProcessNotRunning = static_cast<DWORD>(-1);
    // The image path of a snapshot entry: szExeFile when it holds a path (as
    // on Windows 9x), else the path the system resolves for the process.
    std::string ImagePathOf(const PROCESSENTRY32& entry) const;

protected:
    using PFN_CreateToolhelp32Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
    using PFN_Process32 = BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32);
    using PFN_Module32First = BOOL(WINAPI*)(HANDLE, LPMODULEENTRY32);
    using PFN_QueryFullProcessImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

    HMODULE m_hKernel32 = nullptr;
    PFN_Process32 m_pfnProcess32Next = nullptr;
    PFN_Process32 m_pfnProcess32First = nullptr;
    PFN_CreateToolhelp32Snapshot m_pfnCreateToolhelp32Snapshot = nullptr;
    // Optional: where szExeFile holds only a file name, these give the path.
    PFN_QueryFullProcessImageName m_pfnQueryFullProcessImageName = nullptr;
    PFN_Module32First m_pfnModule32First = nullptr;

private:
    // The key stays open from a removal's read of the values to its deletes.
    CRegistryKey m_runServices;
};
