// The engine object behind the ScanEngine class: the operations of one
// client's IScanEngine as plain C++ (results as values), its scan log, its
// switches and the detection a removal acts on. The rules themselves are
// the portable core's (core/), run over one machine (live/ for this one).
#pragma once

#include "engine/core/Detection.h"
#include "engine/EngineHost.h"
#include "engine/core/Machine.h"
#include "engine/core/PassHost.h"
#include "engine/ProgressPopup.h"
#include "engine/core/Removal.h"
#include "engine/ScanLog.h"

#include <memory>
#include <string>
#include <vector>

class CScanEngine : private CPassHost {
public:
    // Without a machine the engine works on this running Windows.
    explicit CScanEngine(CEngineHost& host, std::unique_ptr<CMachine> machine = nullptr);
    ~CScanEngine() override;

    CScanEngine(const CScanEngine&) = delete;
    CScanEngine& operator=(const CScanEngine&) = delete;

    // IScanEngine's operations. None lets an exception out: a failure inside
    // one is logged and reads as "nothing found", "not removed" or "not done".
    // Init, DetectDW and RemoveDW turn away a call that arrives while a pass
    // runs (through the progress window's message pump).
    bool Init(bool log, bool silent);
    bool DetectDW();   // whether the server was found
    bool RemoveDW();   // whether everything was removed
    const std::vector<std::string>& RegistryList() const { return m_registryList; }
    const std::vector<std::string>& ProcessList() const { return m_processList; }
    void SetLogging(bool on);
    void SetSilent(bool on) { m_bSilent = on; }

    bool IsSilent() const { return m_bSilent; }
    const CScanLog* ScanLog() const { return m_pLog.get(); }
    CMachine& Machine() { return *m_pMachine; }
    // The detection the next removal would act on; null when there is none.
    const DetectionResult* PendingDetection() const { return m_pDetection.get(); }

    // Writes to the log when Init has made one.
    void Log(const std::string& text);
    // "ENGINE ERROR: <operation> stopped: ..." in the log, never throwing.
    void LogFailure(const char* operation, bool outOfMemory);

private:
    // What a pass reports: notices go to the host, progress to the window.
    void Notify(EngineNotice notice) override { m_host.Notify(notice); }
    void ProgressBegin(size_t files) override;
    void ProgressStep() override;
    void ProgressEnd() override;

    // Runs a pass so that no exception leaves it and no pass runs inside
    // another; false when it failed or was turned away.
    template <typename Pass>
    bool RunPass(const char* name, Pass pass);
    bool Detect();
    bool Remove();
    // Ends the log's section and closes it, when there is one.
    void CloseLog();

    CEngineHost& m_host;
    std::unique_ptr<CMachine> m_pMachine;
    std::unique_ptr<CScanLog> m_pLog;
    std::vector<std::string> m_registryList;
    std::vector<std::string> m_processList;
    // The last detection that found the server, until one removal takes it.
    std::unique_ptr<DetectionResult> m_pDetection;
    std::unique_ptr<CProgressPopup> m_pProgress;
    bool m_bSilent = false;
    bool m_bInPass = false;
};
