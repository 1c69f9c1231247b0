// Drives a modal dialog from a second thread while the test's thread runs
// it: the driver waits for the dialog's window, then acts on it by messages.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

#include <functional>
#include <string>

namespace kxtest {

// The visible top-level window of this process with the given caption, or
// null after timeoutMs.
HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 30000);
// The same for a window of another process (pid), visible or not when
// visibleOnly is false; className may be null.
HWND WaitForProcessWindow(DWORD pid, const char* className, const std::string& caption, bool visibleOnly,
                          DWORD timeoutMs = 30000);

// How many visible windows of the process have the class and caption.
int CountProcessWindows(DWORD pid, const char* className, const std::string& caption);

class ModalDriver {
public:
    // Starts the driver thread: it waits for a window with caption, then
    // calls drive with it. A dialog that drive leaves open is cancelled.
    ModalDriver(const std::string& caption, std::function<void(HWND)> drive);
    ~ModalDriver();   // waits for the driver to finish
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool Found() const { return m_found; }

private:
    static DWORD WINAPI Run(void* self);
    std::string m_caption;
    std::function<void(HWND)> m_drive;
    kx::KernelHandle m_thread;
    bool m_found = false;
};

// Clicks a button or check box of a dialog as the user would.
void Click(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);

}   // namespace kxtest
