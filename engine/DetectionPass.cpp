// The detection pass: is a server running here, from which files, and which
// RunServices values start it.
#include "ScanEngine.h"

#include "RegistryKey.h"
#include "RunServicesPath.h"

#include <memory>

const char* const CScanEngine::kRunServicesPath = KX_RUNSERVICES_PATH;

bool CScanEngine::FindRunServicesEntries()
{
    std::unique_ptr<CRegistryKey> key(new CRegistryKey);
    key->CollectValuePaths(HKEY_LOCAL_MACHINE, kRunServicesPath, *m_pRegistryList);
    return !m_pRegistryList->IsEmpty();
}

HRESULT CScanEngine::Detect(LONG* pVal)
{
    m_bConfigScan = false;
    m_nConfigCount = 0;
    if (!FindRunServicesEntries()) m_bDetected = false;
    SnapshotProcesses();
    if (!CheckRunServicesImages()) m_bDetected = false;
    if (!ScanRunningImages()) m_bDetected = false;

    if (!m_bDetected) {
        Log("\n\t   ---------------- Duskwire NOT detected ----------------\n");
        if (pVal) *pVal = 0;
        return S_OK;
    }

    if (m_bConfigScan) ScanServerConfiguration();
    Log("\t     --------------- Detection Phase Started -----------------\n");

    std::unique_ptr<CRegistryKey> key(new CRegistryKey);
    key->MatchValueNames(HKEY_LOCAL_MACHINE, kRunServicesPath, *m_pProcessList, *m_pRegistryList);
    int n = m_pRegistryList->GetCount();
    const int m = m_pProcessList->GetCount();
    if (m_bConfigScan) {
        for (int k = 0; k < m_nConfigCount; ++k) m_pRegistryList->SetAt(n + k, m_pConfigRecords[k]->m_strValueName);
        n += m_nConfigCount;
    }

    Log("Duskwire server installed as the following values under the registry key\n");
    Log("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices:\n");
    for (int i = 0; i < n; ++i) Log("\t" + m_pRegistryList->GetAt(i) + "\n");
    Log("\nDuskwire server found running as the following processes:\n");
    for (int i = 0; i < m; ++i) Log("\t" + m_pProcessList->GetAt(i) + "\n");

    if (pVal) *pVal = 1;
    return S_OK;
}
