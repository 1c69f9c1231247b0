// Finding and answering message boxes (they are modal: the code that shows
// one waits until the test presses a button from another thread).
#pragma once

#include "framework/CriticalSection.h"
#include "framework/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace kxtest {

struct ShownBox {
    std::string caption;
    std::string text;
    bool hasIcon = false;
};

// Waits up to timeoutMs for a visible dialog box whose caption is caption
// (of any process), reads it, and presses button (IDOK...). False on timeout.
bool AnswerMessageBox(const std::string& caption, ShownBox& box, int button = IDOK, DWORD timeoutMs = 30000);

// Answers, from a thread of its own, every message box with the caption that
// appears while the object lives, recording each.
class BoxAnswerer {
public:
    explicit BoxAnswerer(const std::string& caption);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<ShownBox> Boxes();   // what was answered so far

private:
    static DWORD WINAPI Run(void* self);
    std::string m_caption;
    kx::KernelHandle m_thread;
    volatile LONG m_stop = 0;
    kx::CriticalSection m_lock;
    std::vector<ShownBox> m_boxes;
};

}   // namespace kxtest
