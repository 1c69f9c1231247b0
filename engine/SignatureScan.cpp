// The two signature scans of the detection pass: the registered images in a
// system directory first, then every running image.
#include "ScanEngine.h"

#include "ProgressPopup.h"
#include "Signature.h"
#include "ImageFile.h"
#include "Text.h"

#include <cstring>
#include <vector>

bool CScanEngine::MatchesSignature(const std::string& path, unsigned char* buffer, const unsigned char* signature)
{
    kx::FileHandle file = OpenImageFile(path);
    if (!file) {
        Log("FILE SCAN PHASE: Error trying to open the file ");
        Log(path);
        Log(" for scanning.  File skipped.");
        return false;
    }
    // One seek, one read, one comparison; a short file never matches.
    if (ReadAt(file, kSignatureOffset, buffer, kSignatureLength) < kSignatureLength) return false;
    return std::memcmp(buffer, signature, kSignatureLength) == 0;
}

bool CScanEngine::CheckRunServicesImages()
{
    const unsigned char* signature = LoadSignatureOrExit();
    std::vector<unsigned char> buffer(kSignatureResourceSize);

    // Registered images that are running, once per running process...
    CStringList work;
    for (const std::string& registered : m_pRegistryList->Items())
        for (const std::string& running : m_pProcessList->Items())
            if (EqualsNoCase(registered, running)) work.Append(registered);
    // ...and under a directory named system (system32 included).
    work.KeepIf([](const std::string& path) { return kx::LowerCase(path).find("\\system") != std::string::npos; });
    if (work.IsEmpty()) return false;

    work.KeepIf([&](const std::string& path) { return MatchesSignature(path, buffer.data(), signature); });
    const bool found = !work.IsEmpty();
    m_pProcessList->Copy(work);
    if (found) m_bDetected = true;
    return found;
}

bool CScanEngine::ScanRunningImages()
{
    const unsigned char* signature = LoadSignatureOrExit();
    std::vector<unsigned char> buffer(kSignatureResourceSize);

    CProgressPopup popup;
    if (!m_bSilent) {
        popup.Create(nullptr, "Please Wait...", false);
        popup.SetRange(0, m_pCandidateList->GetCount(), 1);
        popup.SetStep(1);
        popup.SetText("Performing system scan...");
    }

    m_pCandidateList->KeepIf([&](const std::string& path) {
        if (!m_bSilent) {
            popup.Step();
            popup.PumpMessages(true, false);   // a cancel does not stop the scan
        }
        return MatchesSignature(path, buffer.data(), signature);
    });
    const bool found = !m_pCandidateList->IsEmpty();

    if (m_bDetected) {
        // Keep only the carriers the first scan did not find.
        SubtractList(*m_pProcessList, *m_pCandidateList);
        m_nConfigCount = m_pCandidateList->GetCount();
        if (m_nConfigCount == 0) m_bConfigScan = false;
        for (const std::string& entry : m_pCandidateList->Items()) m_pProcessList->Append(entry);
        if (m_nConfigCount > 0) m_bConfigScan = true;
    } else {
        // Deliberate: when only the full scan found carriers, the count is 1
        // and only the last carrier's configuration is read (the removal
        // pairs that one record with it); with no carrier there is none.
        m_pProcessList->Copy(*m_pCandidateList);
        if (found) {
            m_nConfigCount += 1;
            m_bConfigScan = true;
        }
    }
    if (found) m_bDetected = true;
    return found;
}
