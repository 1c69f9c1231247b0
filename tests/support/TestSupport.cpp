#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace kxtest {

const char* const kClsidKey = "CLSID\\{A942BD41-3FCB-11D2-96E1-444553540000}";

std::string ExeDir()
{
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

std::string HelperPath(const char* exeName)
{
    return ExeDir() + "\\" + exeName;
}

std::string ReadWholeFile(const std::string& path)
{
    kx::FileHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    if (!f) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(f.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    kx::FileHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!f) return false;
    DWORD written = 0;
    return ::WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool KeyExists(HKEY root, const std::string& path)
{
    kx::RegKey key;
    return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::vector<RegValue> ListValues(HKEY key)
{
    std::vector<RegValue> values;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        std::string data(65536, '\0');
        DWORD nameLength = sizeof name, dataLength = static_cast<DWORD>(data.size()), type = 0;
        if (::RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                            &dataLength) != ERROR_SUCCESS)
            break;
        data.resize(dataLength);
        values.push_back({std::string(name, nameLength), type, data});
    }
    return values;
}

DWORD RunAndCapture(const std::string& exe, const std::string& commandLine, const std::string& cwd, std::string& output)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    kx::KernelHandle reader, writer;
    if (!::CreatePipe(reader.Put(), writer.Put(), &sa, 0)) return static_cast<DWORD>(-2);
    ::SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writer.Get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!::CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(), &si, &pi))
        return static_cast<DWORD>(-2);
    kx::KernelHandle process(pi.hProcess), thread(pi.hThread);
    writer.Reset();
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(reader.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    if (::WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    return code;
}

std::string SystemDirectory()
{
    char path[MAX_PATH];
    UINT n = ::GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, n);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start >= timeoutMs) return condition();
        ::Sleep(20);
    }
}

std::string DistributionFolder()
{
    return ExeDir() + "\\..\\dist\\" KX_DIST_NAME;
}

bool CopyDistribution(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    kx::FindHandle find(::FindFirstFileA((DistributionFolder() + "\\*").c_str(), &data));
    if (!find) return false;
    int copied = 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string from = DistributionFolder() + "\\" + data.cFileName;
        if (!::CopyFileA(from.c_str(), (folder + "\\" + data.cFileName).c_str(), FALSE)) return false;
        ++copied;
    } while (::FindNextFileA(find.Get(), &data));
    return copied > 0;
}

namespace {

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    kx::FindHandle find(::FindFirstFileA((dir + "\\*").c_str(), &data));
    if (find) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find.Get(), &data));
    }
    find.Reset();
    ::RemoveDirectoryA(dir.c_str());
}

}   // namespace

namespace {

std::string TestsRoot()
{
    char temp[MAX_PATH];
    DWORD n = ::GetTempPathA(MAX_PATH, temp);
    std::string root = std::string(temp, n) + "kxtests";
    ::CreateDirectoryA(root.c_str(), nullptr);
    return root;
}

}   // namespace

ScratchDir::ScratchDir(const std::string& name) : ScratchDir(TestsRoot(), name) {}

ScratchDir::ScratchDir(const std::string& parent, const std::string& name)
{
    m_path = parent + "\\" + name;
    RemoveTree(m_path);   // left over from an interrupted run
    if (!::CreateDirectoryA(m_path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create scratch folder " + m_path);
}

ScratchDir::~ScratchDir()
{
    RemoveTree(m_path);
}

CurrentDirectory::CurrentDirectory(const std::string& path)
{
    char previous[MAX_PATH];
    DWORD n = ::GetCurrentDirectoryA(MAX_PATH, previous);
    m_previous.assign(previous, n);
    if (!::SetCurrentDirectoryA(path.c_str())) throw std::runtime_error("cannot enter " + path);
}

CurrentDirectory::~CurrentDirectory()
{
    ::SetCurrentDirectoryA(m_previous.c_str());
}

ChildProcess::ChildProcess(const std::string& exePath, const std::string& args, const std::string& cwd)
{
    std::string commandLine = "\"" + exePath + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          cwd.empty() ? nullptr : cwd.c_str(), &si, &pi))
        throw std::runtime_error("cannot start " + exePath + " (error " + std::to_string(::GetLastError()) + ")");
    kx::KernelHandle thread(pi.hThread);
    m_process.Reset(pi.hProcess);
    m_pid = pi.dwProcessId;
    // Wine lists the process, with its image path, from the moment
    // CreateProcess returns: no need to wait for it to settle.
}

bool ChildProcess::Running() const
{
    return m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

DWORD ChildProcess::Wait(DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (m_process && ::WaitForSingleObject(m_process.Get(), timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

void ChildProcess::Stop()
{
    if (!m_process) return;
    if (Running()) {
        ::TerminateProcess(m_process.Get(), 1);
        ::WaitForSingleObject(m_process.Get(), 5000);
    }
    m_process.Reset();
}

TempFile::TempFile(const std::string& source, const std::string& path) : m_path(path)
{
    if (!::CopyFileA(source.c_str(), path.c_str(), FALSE))
        throw std::runtime_error("cannot copy " + source + " to " + path);
}

TempFile::~TempFile()
{
    for (int i = 0; i < 50 && FileExists(m_path) && !::DeleteFileA(m_path.c_str()); ++i) ::Sleep(20);
}

std::string FixturePath(const char* name)
{
    return ExeDir() + "\\fixtures\\" + name;
}

std::string ToLower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string ToUpper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}   // namespace kxtest
