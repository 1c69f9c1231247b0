// An engine object as a client holds it: the COM object itself (its out
// values, HRESULTs and message boxes), on this machine or on one the test
// hands it, with test access to the engine's state.
#pragma once

#include "engine/live/LiveMachine.h"
#include "engine/com/ScanEngineObject.h"

#include <memory>
#include <string>
#include <vector>

class EngineProbe {
public:
    explicit EngineProbe(std::unique_ptr<CMachine> machine = nullptr)
        : m_object(new CScanEngineObject(std::move(machine)))
    {
        m_object->AddRef();
    }
    ~EngineProbe() { m_object->Release(); }
    EngineProbe(const EngineProbe&) = delete;
    EngineProbe& operator=(const EngineProbe&) = delete;

    HRESULT Init(LONG bLog, LONG bSilent, LONG* pVal) { return m_object->Init(bLog, bSilent, pVal); }
    HRESULT DetectDW(LONG* pVal) { return m_object->DetectDW(pVal); }
    HRESULT RemoveDW(LONG* pVal) { return m_object->RemoveDW(pVal); }
    HRESULT get_RegistryList(VARIANT* pVal) { return m_object->get_RegistryList(pVal); }
    HRESULT get_ProcessList(VARIANT* pVal) { return m_object->get_ProcessList(pVal); }
    HRESULT put_Logging(LONG v) { return m_object->put_Logging(v); }
    HRESULT put_Silent(LONG v) { return m_object->put_Silent(v); }

    const std::vector<std::string>& RegistryList() { return Engine().RegistryList(); }
    const std::vector<std::string>& ProcessList() { return Engine().ProcessList(); }
    const DetectionResult* Detection() { return Engine().PendingDetection(); }
    const CScanLog* ScanLog() { return Engine().ScanLog(); }
    bool IsSilent() { return Engine().IsSilent(); }
    void Log(const std::string& text) { Engine().Log(text); }
    CScanEngine& Engine() { return m_object->Engine(); }

private:
    CScanEngineObject* m_object;
};
