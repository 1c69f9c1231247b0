// The engine object behind the ScanEngine class: result lists, scan log,
// switches, detection flags and configuration records of one client.
#pragma once

#include "ConfigRecord.h"
#include "ScanLog.h"
#include "StringList.h"

#include <windows.h>
#include <oleauto.h>
#include <tlhelp32.h>

#include <memory>
#include <string>

// The engine object: everything one client's detection and removal passes
// need and leave behind, with the operations of the IScanEngine contract.
// It knows nothing of COM's module state: the creatable COM object
// (engine/com) derives from it and adds the reference count, the server lock
// and IDispatch.
class CScanEngine {
public:
    CScanEngine();
    virtual ~CScanEngine();

    CScanEngine(const CScanEngine&) = delete;
    CScanEngine& operator=(const CScanEngine&) = delete;

    // The operations of IScanEngine, in its order.
    HRESULT DetectDW(LONG* pVal);
    HRESULT RemoveDW(LONG* pVal);
    HRESULT get_RegistryList(VARIANT* pVal);
    HRESULT get_ProcessList(VARIANT* pVal);
    HRESULT Init(LONG bLog, LONG bSilent, LONG* pVal);
    HRESULT put_Logging(LONG newVal);
    HRESULT put_Silent(LONG newVal);

    // Process enumeration through ToolHelp32, bound at run time.
    bool BindToolHelp();
    bool SnapshotProcesses();
    // 0: no snapshot could be taken; all bits set: no such process runs.
    DWORD FindProcessId(const std::string& imagePath) const;
    static const DWORD kNoSnapshotTaken = 0;
    static const DWORD kProcessNotRunning = static_cast<DWORD>(-1);

    // The detection pass and its means.
    bool FindRunServicesEntries();
    bool CheckRunServicesImages();
    bool ScanRunningImages();
    bool ScanServerConfiguration();

    // The removal pass and its means.
    bool RemoveRegistryEntries();
    bool QuarantineFiles();
    static bool CanQuarantine(const std::string& path);
    // False, and path unchanged, when the system directory is unknown.
    static bool PrefixSystemDirectory(std::string& path);

    static const int kConfigSlots = 10;
    static const char* const kRunServicesPath;

protected:
    using PFN_CreateToolhelp32Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
    using PFN_Process32 = BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32);
    using PFN_Module32First = BOOL(WINAPI*)(HANDLE, LPMODULEENTRY32);
    using PFN_QueryFullProcessImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

    // Ends the log's section and closes it, when there is one.
    void CloseLog();
    // Writes to the log when Init has made one.
    void Log(const char* text);
    void Log(const std::string& text) { Log(text.c_str()); }

    // The image path of a snapshot entry: szExeFile when it holds a path (as
    // on Windows 9x), else the path the system resolves for the process.
    std::string ImagePathOf(const PROCESSENTRY32& entry) const;

    // The passes behind DetectDW and RemoveDW (which keep exceptions inside).
    HRESULT Detect(LONG* pVal);
    HRESULT Remove(LONG* pVal);

    // Runs an operation so that no exception leaves it: one log line, the out
    // value 0 and the HRESULT failed instead.
    template <typename Operation>
    HRESULT Guarded(const char* name, LONG* pVal, HRESULT failed, Operation operation);
    // The same for a pass, which also turns away a call that re-enters it.
    template <typename Pass>
    HRESULT RunPass(const char* name, LONG* pVal, HRESULT failed, Pass pass);
    void LogFailure(const char* operation, bool outOfMemory);

    // Whether the file carries the signature at its offset; a file that cannot
    // be opened is logged and counts as not matching. buffer holds
    // kSignatureResourceSize bytes.
    bool MatchesSignature(const std::string& path, unsigned char* buffer, const unsigned char* signature);

    HMODULE m_hKernel32 = nullptr;
    PFN_Process32 m_pfnProcess32Next = nullptr;
    PFN_Process32 m_pfnProcess32First = nullptr;
    PFN_CreateToolhelp32Snapshot m_pfnCreateToolhelp32Snapshot = nullptr;
    std::unique_ptr<CStringList> m_pRegistryList;
    std::unique_ptr<CStringList> m_pProcessList;
    std::unique_ptr<CScanLog> m_pLog;
    std::unique_ptr<CStringList> m_pCandidateList;
    bool m_bSilent = false;
    bool m_bInPass = false;   // DetectDW or RemoveDW is running
    bool m_bDetected = false;
    bool m_bConfigScan = false;
    int m_nConfigCount = 0;
    std::unique_ptr<CConfigRecord> m_pConfigRecords[kConfigSlots];

    // Entries of m_pProcessList that the removal pass took from configuration
    // blocks: hostile input, moved only as bare names in the system directory.
    int m_nConfigNamesFirst = 0;
    int m_nConfigNamesCount = 0;

    // Optional: where szExeFile holds only a file name, these give the path.
    PFN_QueryFullProcessImageName m_pfnQueryFullProcessImageName = nullptr;
    PFN_Module32First m_pfnModule32First = nullptr;
};
