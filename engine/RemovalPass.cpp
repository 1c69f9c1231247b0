// The removal pass: terminate the server processes, delete their RunServices
// values, move their files into "Infected Files" as .KSX.
#include "ScanEngine.h"

#include "EngineModule.h"
#include "RegistryKey.h"
#include "Text.h"

#include <memory>

namespace {

const char kQuarantineDirName[] = "Infected Files";

// Move errors of the "not found" class: the file named in the configuration
// data is not there.
bool IsNotFoundError(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_HANDLE || error == ERROR_NO_MORE_FILES ||
           error == ERROR_DISK_CHANGE;
}

// A file name from a configuration block names a file in the system
// directory, nothing else.
bool IsPlainFileName(const std::string& name)
{
    return name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
}

}   // namespace

HRESULT CScanEngine::Remove(LONG* pVal)
{
    auto fail = [pVal]() {
        if (pVal) *pVal = 0;
        return S_FALSE;
    };
    // Only what a detection pass that found the trojan left is removed, and
    // only once: without one the lists hold RunServices data and every
    // running image, which are nobody's to delete.
    if (!m_bDetected) {
        Log("\nNothing removed: no detection pass on this object found the Duskwire server.\n");
        return fail();
    }
    m_bDetected = false;
    const int n = m_pProcessList->GetCount();
    Log("\n\t     -------------------- Removal Phase ----------------------\n");

    for (int i = 0; i < n; ++i) {
        DWORD pid = FindProcessId(m_pProcessList->GetAt(i));
        kx::KernelHandle process;
        if (pid != kNoSnapshotTaken && pid != kProcessNotRunning)
            process.Reset(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
        if (!process || !::TerminateProcess(process.Get(), static_cast<UINT>(-1))) {
            EngineMessageBox("Error trying to terminate the process. Removal Failed!  See Kestrix.log for details.",
                             MB_OK | MB_ICONERROR);
            Log("PROCESS TERMINATION PHASE: Error trying to terminate the process(s).");
            return fail();
        }
        ::WaitForSingleObject(process.Get(), 2500);
    }
    Log("All running copies of the Duskwire server terminated.\n");

    m_nConfigNamesFirst = n;
    m_nConfigNamesCount = 0;
    if (m_bConfigScan) {
        for (int k = 0; k < m_nConfigCount; ++k) m_pProcessList->SetAt(n + k, m_pConfigRecords[k]->m_strFileName);
        m_nConfigNamesCount = m_nConfigCount;
    }

    if (!RemoveRegistryEntries()) return fail();
    Log("All registry entries removed.\n");

    m_pProcessList->Append("windll.dll");
    if (!QuarantineFiles()) return fail();

    Log("All detected copies of the Duskwire server listed above renamed with a '.KSX'\n"
        "extension in the 'Infected Files' directory.\n");
    if (pVal) *pVal = 1;
    return S_OK;
}

bool CScanEngine::RemoveRegistryEntries()
{
    std::unique_ptr<CRegistryKey> key(new CRegistryKey);
    if (key->DeleteValues(HKEY_LOCAL_MACHINE, kRunServicesPath, *m_pRegistryList) == ERROR_SUCCESS) return true;
    EngineMessageBox("Error trying to remove registry entries. Removal Failed! See Kestrix.log for details.",
                     MB_OK | MB_ICONERROR);
    Log("REGISTRY CLEAN PHASE: Error trying to remove registry entries.");
    return false;
}

bool CScanEngine::QuarantineFiles()
{
    // An unknown current directory must not become the root of the drive.
    const std::string current = kx::CurrentDirectory();
    std::string dir = current + "\\" + kQuarantineDirName;
    WIN32_FIND_DATAA found;
    bool exists = !current.empty() && kx::FindHandle(::FindFirstFileA(dir.c_str(), &found)).Valid();
    dir += "\\";
    if (current.empty() || (!exists && !::CreateDirectoryA(dir.c_str(), nullptr))) {
        EngineMessageBox("Error creating trojan-depository directory. See log for details.", MB_OK);
        Log("Error creating ");
        Log(dir);
        Log(" . File rename phase failed.\n");
        return false;
    }

    const int m = m_pProcessList->GetCount();
    for (int i = 0; i < m; ++i) {
        std::string path = m_pProcessList->GetAt(i);
        bool fromConfig = i >= m_nConfigNamesFirst && i < m_nConfigNamesFirst + m_nConfigNamesCount;
        if (fromConfig && !IsPlainFileName(path)) {
            Log("*NOTICE* The file name " + path +
                " in the Duskwire server configuration data is not a plain file name. File not moved.\n");
            continue;
        }
        if (path.find(":\\") == std::string::npos && !PrefixSystemDirectory(path)) {
            Log("Removal halted: Error renaming ");
            Log(path + " . File rename phase incomplete.");
            return false;
        }
        size_t slash = path.find_last_of('\\');
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!CanQuarantine(path)) continue;

        std::string target = dir + (name == " .exe" ? std::string("DUSKWIRE.KSX") : name + ".KSX");
        // Only the latest copy of each name is kept; an older one that cannot
        // go counts as a failed move.
        bool moved = ::GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES || ::DeleteFileA(target.c_str());
        DWORD error = ERROR_ACCESS_DENIED;
        if (moved) {
            moved = ::MoveFileA(path.c_str(), target.c_str()) != FALSE;
            error = ::GetLastError();
        }
        if (moved) continue;
        if (IsNotFoundError(error)) {
            Log("\n*NOTICE*\nThe file ");
            Log(path + " referenced in the Duskwire server ");
            Log("configuration\ndata does not exist on your system. It probably has illegal characters in its name.");
            Log("\nWin95/98 will not create files with illegal characters. This notice is just for your\n"
                "information, ");
            Log("and has no effect on the removal of Duskwire.\n\n");
            continue;
        }
        Log("Removal halted: Error renaming ");
        Log(path + " . File rename phase incomplete.");
        return false;
    }
    return true;
}

bool CScanEngine::CanQuarantine(const std::string& path)
{
    if (path.empty()) return false;
    WIN32_FIND_DATAA found;
    {
        kx::FindHandle find(::FindFirstFileA(path.c_str(), &found));
        if (!find || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    }
    kx::FileHandle file(
        ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid();
}

bool CScanEngine::PrefixSystemDirectory(std::string& path)
{
    std::string system = SystemDirectoryPath();
    if (system.empty()) return false;   // never the root of the drive
    path = system + "\\" + path;
    return true;
}
