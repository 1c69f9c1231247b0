// Reads the configuration block of the server images that only the full
// signature scan found.
#include "ScanEngine.h"

#include "ConfigurationBlock.h"
#include "ImageFile.h"

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
        kx::FileHandle file = OpenImageFile(path);
        if (!file) {
            Log("CONFIGURATION SCAN PHASE: Error trying to open the file ");
            Log(path);
            Log(" for configuration scanning.  File skipped.");
            continue;
        }
        ConfigurationBlock block{};   // bytes past the end of the file stay zero
        ReadAt(file, kConfigurationOffset, block.data(), block.size());
        m_pConfigRecords[made++] = ParseConfigurationBlock(block);
    }
    m_nConfigCount = made;
    return true;
}
