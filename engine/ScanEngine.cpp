#include "engine/ScanEngine.h"

#include "engine/live/LiveMachine.h"
#include "engine/SignatureResource.h"

#include <new>

CScanEngine::CScanEngine(CEngineHost& host, std::unique_ptr<CMachine> machine)
    : m_host(host), m_pMachine(machine ? std::move(machine) : std::unique_ptr<CMachine>(new CLiveMachine))
{
}

CScanEngine::~CScanEngine()
{
    CloseLog();
}

void CScanEngine::LogFailure(const char* operation, bool outOfMemory)
{
    try {
        Log(std::string("ENGINE ERROR: ") + operation +
            (outOfMemory ? " stopped: out of memory.\n" : " stopped: internal error.\n"));
    } catch (...) {   // nothing more can be said
    }
}

template <typename Pass>
bool CScanEngine::RunPass(const char* name, Pass pass)
{
    if (m_bInPass) return false;
    m_bInPass = true;
    bool result = false;
    try {
        result = pass();
    } catch (const std::bad_alloc&) {
        LogFailure(name, true);
    } catch (...) {
        LogFailure(name, false);
    }
    m_pProgress.reset();
    m_bInPass = false;
    return result;
}

bool CScanEngine::Init(bool log, bool silent)
{
    return RunPass("Init", [&] {
        // Kestrix.log is opened for exclusive use, so an earlier log object must
        // finish its section (footer, close) before the new one can open the file.
        CloseLog();
        m_pLog.reset(new CScanLog);
        m_pLog->Start(log);
        m_bSilent = silent;
        return true;
    });
}

bool CScanEngine::DetectDW()
{
    return RunPass("DetectDW", [&] { return Detect(); });
}

bool CScanEngine::RemoveDW()
{
    return RunPass("RemoveDW", [&] { return Remove(); });
}

bool CScanEngine::Detect()
{
    // Whatever an earlier pass found is gone the moment a new one starts, so
    // a pass that stops half-way leaves nothing for a removal.
    m_pDetection.reset();
    m_registryList.clear();
    m_processList.clear();
    const unsigned char* signature = LoadSignature();
    if (!signature) {
        m_host.Notify(EngineNotice::SignatureUnavailable);
        return false;
    }
    std::unique_ptr<DetectionResult> detection(new DetectionResult(::Detect(*m_pMachine, signature, *this)));
    Log(DetectionLogText(*detection));
    m_registryList = detection->registryList;
    m_processList = detection->processList;
    if (detection->found) m_pDetection = std::move(detection);
    return m_pDetection != nullptr;
}

bool CScanEngine::Remove()
{
    // Only what a detection pass that found the server left is removed, and
    // only once.
    std::unique_ptr<DetectionResult> detection = std::move(m_pDetection);
    if (!detection) {
        Log("\nNothing removed: no detection pass on this object found the Duskwire server.\n");
        return false;
    }
    const unsigned char* signature = LoadSignature();
    if (!signature) {
        m_host.Notify(EngineNotice::SignatureUnavailable);
        return false;
    }
    RemovalResult removal;
    struct LogOnExit {   // what was done is logged even when the pass stops half-way
        CScanEngine& engine;
        RemovalResult& removal;
        ~LogOnExit()
        {
            try {
                for (const RemovalEvent& e : removal.events) engine.Log(RemovalLogText(e));
            } catch (...) {
            }
        }
    } logOnExit{*this, removal};
    ::Remove(*m_pMachine, *detection, signature, *this, removal);
    m_processList = removal.processList;
    return removal.succeeded;
}

void CScanEngine::SetLogging(bool on)
{
    if (m_pLog) m_pLog->SetEnabled(on);
}

void CScanEngine::ProgressBegin(size_t files)
{
    if (m_bSilent) return;
    m_pProgress.reset(new CProgressPopup);
    m_pProgress->Create(nullptr, "Please Wait...", false);
    m_pProgress->SetRange(0, static_cast<int>(files), 1);
    m_pProgress->SetStep(1);
    m_pProgress->SetText("Performing system scan...");
}

void CScanEngine::ProgressStep()
{
    if (m_bSilent || !m_pProgress) return;
    m_pProgress->Step();
    m_pProgress->PumpMessages(true, false);   // a cancel does not stop the scan
}

void CScanEngine::ProgressEnd()
{
    m_pProgress.reset();
}

void CScanEngine::CloseLog()
{
    if (!m_pLog) return;
    m_pLog->Close();   // the "Scan completed" banner, then the file is let go
    m_pLog.reset();
}

void CScanEngine::Log(const std::string& text)
{
    if (m_pLog) m_pLog->Write(text);
}
