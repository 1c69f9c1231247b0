// A critical section that initialises and deletes itself, and the guard that
// holds it for a scope, so no early return or exception leaves it entered.
#pragma once

#include <windows.h>

namespace kx {

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&m_section); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { ::EnterCriticalSection(&m_section); }
    void Leave() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class Lock {
public:
    explicit Lock(CriticalSection& section) : m_section(section) { m_section.Enter(); }
    ~Lock() { m_section.Leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CriticalSection& m_section;
};

}   // namespace kx
