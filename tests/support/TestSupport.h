// Helpers for tests that run inside the Wine prefix: scratch folders, real
// child processes, files read back byte for byte.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kxtest {

// The engine class's key under HKEY_CLASSES_ROOT.
extern const char* const kClsidKey;

// Folder of the running test program (helper programs are built beside it).
std::string ExeDir();
std::string HelperPath(const char* exeName);

std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool KeyExists(HKEY root, const std::string& path);

// A registry value as the tests read it back.
struct RegValue {
    std::string name;
    DWORD type;
    std::string data;   // raw bytes
};
// Every value of an open key, in the key's order.
std::vector<RegValue> ListValues(HKEY key);

// Runs a program with the whole command line given (the program's own name
// first, or not, as the caller wants) and returns its exit code, with what
// it printed to its standard output and error; (DWORD)-2 when it could not
// be started, STILL_ACTIVE when it did not end within two minutes.
DWORD RunAndCapture(const std::string& exe, const std::string& commandLine, const std::string& cwd,
                    std::string& output);
std::string SystemDirectory();

// The unzipped distribution the build made (Kestrix.exe, quarrion.dll, its
// regsvr32.exe, readme.txt), and a copy of its files into a folder, as a user
// unzips it. False when a file could not be copied or none was found.
std::string DistributionFolder();
bool CopyDistribution(const std::string& folder);

// A fresh, empty folder under the temp directory, removed with its contents
// on destruction.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ScratchDir(const std::string& parent, const std::string& name);   // in another folder or drive
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// Makes a folder the current directory for the life of the object.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::string m_previous;
};

// A program started for a test; terminated when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::string& exePath, const std::string& args = "", const std::string& cwd = "");
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const;
    DWORD Pid() const { return m_pid; }
    // Waits for the process to end; its exit code, or STILL_ACTIVE on timeout.
    DWORD Wait(DWORD timeoutMs);
    void Stop();

private:
    kx::KernelHandle m_process;
    DWORD m_pid = 0;
};

// A file that is deleted when the object goes (after the processes started
// from it, when declared before them).
class TempFile {
public:
    TempFile(const std::string& source, const std::string& path);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

std::string FixturePath(const char* name);   // a mock server file

// Polls condition until it holds or timeoutMs has passed; whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 30000);

std::string ToLower(std::string s);
std::string ToUpper(std::string s);

}   // namespace kxtest
