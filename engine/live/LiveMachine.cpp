#include "engine/live/LiveMachine.h"

#include "engine/live/ImageFile.h"
#include "engine/live/RunServicesPath.h"
#include "framework/Text.h"

namespace {

const char kQuarantineDirName[] = "Infected Files";

// Move errors of the "not found" class: the file is not there (or, on
// Windows 9x, has a name the system will not take).
bool IsNotFoundError(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_HANDLE || error == ERROR_NO_MORE_FILES ||
           error == ERROR_DISK_CHANGE;
}

}   // namespace

CLiveMachine::CLiveMachine()
{
    BindToolHelp();
}

bool CLiveMachine::ReadRunServices(std::vector<RunServicesValue>& values)
{
    CRegistryKey key;
    return key.ReadValues(HKEY_LOCAL_MACHINE, KX_RUNSERVICES_PATH, values) == ERROR_SUCCESS;
}

ValueLookup CLiveMachine::LookUpRunServicesValue(const std::string& name, std::string& data)
{
    if (m_runServices.Open(HKEY_LOCAL_MACHINE, KX_RUNSERVICES_PATH) != ERROR_SUCCESS)
        return ValueLookup::KeyUnavailable;
    return m_runServices.LookUp(name, data);
}

bool CLiveMachine::DeleteRunServicesValue(const std::string& name)
{
    return m_runServices.DeleteValue(name);
}

std::string CLiveMachine::SystemDirectory()
{
    char path[MAX_PATH];
    UINT n = ::GetSystemDirectoryA(path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string CLiveMachine::LowerCase(const std::string& text) const
{
    return kx::LowerCase(text);
}

bool CLiveMachine::ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got)
{
    got = 0;
    kx::FileHandle file = OpenImageFile(path);
    if (!file) return false;
    got = ::ReadAt(file, offset, buffer, static_cast<DWORD>(length));
    return true;
}

FileState CLiveMachine::StateOf(const std::string& path)
{
    if (path.empty()) return FileState::Missing;
    WIN32_FIND_DATAA found;
    {
        kx::FindHandle find(::FindFirstFileA(path.c_str(), &found));
        if (!find) return FileState::Missing;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileState::Directory;
    }
    // Held open by another opener (a loaded module, a running image on
    // Windows): an exclusive open fails.
    kx::FileHandle file(
        ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? FileState::Available : FileState::InUse;
}

bool CLiveMachine::Exists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    return !path.empty() && kx::FindHandle(::FindFirstFileA(path.c_str(), &found)).Valid();
}

std::string CLiveMachine::QuarantineDirectory()
{
    // An unknown current directory must not become the root of the drive.
    const std::string current = kx::CurrentDirectory();
    return current.empty() ? std::string() : current + "\\" + kQuarantineDirName;
}

bool CLiveMachine::MakeDirectory(const std::string& path)
{
    return ::CreateDirectoryA((path + "\\").c_str(), nullptr) != FALSE;
}

MoveResult CLiveMachine::Move(const std::string& from, const std::string& to)
{
    if (::MoveFileA(from.c_str(), to.c_str())) return MoveResult::Moved;
    return IsNotFoundError(::GetLastError()) ? MoveResult::NotFound : MoveResult::Failed;
}

bool CLiveMachine::Delete(const std::string& path)
{
    return ::DeleteFileA(path.c_str()) != FALSE;
}
