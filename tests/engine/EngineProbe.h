// Test access to the engine object's state.
#pragma once

#include "ScanEngine.h"

class EngineProbe : public CScanEngine {
public:
    using CScanEngine::ImagePathOf;
    using CScanEngine::Log;
    using CScanEngine::m_bSilent;
    using CScanEngine::m_nConfigCount;
    using CScanEngine::m_pCandidateList;
    using CScanEngine::m_pConfigRecords;
    using CScanEngine::m_pLog;
    using CScanEngine::m_pProcessList;
    using CScanEngine::m_pRegistryList;

    bool ToolHelpBound() const { return m_pfnCreateToolhelp32Snapshot && m_pfnProcess32First && m_pfnProcess32Next; }
    void UnbindToolHelp()
    {
        m_pfnCreateToolhelp32Snapshot = nullptr;
        m_pfnProcess32First = nullptr;
        m_pfnProcess32Next = nullptr;
    }
};
