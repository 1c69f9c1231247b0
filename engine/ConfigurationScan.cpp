// Reads the configuration block of the server images that only the full
// signature scan found.
#include "ScanEngine.h"

#include "ConfigurationBlock.h"

bool CScanEngine::ScanServerConfiguration()
{
    const int count = m_pProcessList->GetCount();
    int first = count - m_nConfigCount;
    if (first < 0) first = 0;

    // Records are made only for blocks actually read, packed from slot 0, and
    // never more than the slots hold; the count then says how many exist, so
    // no later step reads a slot that this scan did not fill.
    int made = 0;
    for (int i = first; i < count && made < kConfigSlots; ++i) {
        const std::string& path = m_pProcessList->GetAt(i);
        kx::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            Log("CONFIGURATION SCAN PHASE: Error trying to open the file ");
            Log(path);
            Log(" for configuration scanning.  File skipped.");
            continue;
        }
        unsigned char block[kConfigurationBlockSize] = {};   // bytes past the end of the file stay zero
        if (::SetFilePointer(file.Get(), kConfigurationOffset, nullptr, FILE_BEGIN) ==
            static_cast<DWORD>(kConfigurationOffset)) {
            DWORD got = 0;
            ::ReadFile(file.Get(), block, sizeof block, &got, nullptr);
        }
        m_pConfigRecords[made++].reset(ParseConfigurationBlock(block));
    }
    m_nConfigCount = made;
    return true;
}
