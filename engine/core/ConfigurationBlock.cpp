#include "engine/core/ConfigurationBlock.h"

namespace {

const unsigned char kUnconfiguredMarker[] = {0x01, 0x02, 0x03, 0x04};
// Bytes between the file name's terminator and the value name, not read.
const size_t kSkippedBytes = 4;

// Text from start up to the next zero byte or the end of the block; end
// receives the index of the terminator (the block size when there is none).
std::string TextAt(const unsigned char* block, size_t start, size_t& end)
{
    end = start;
    while (end < kConfigurationBlockSize && block[end] != 0) ++end;
    return std::string(reinterpret_cast<const char*>(block) + start, end - start);
}

}   // namespace

std::unique_ptr<CConfigRecord> ParseConfigurationBlock(const ConfigurationBlock& block)
{
    std::unique_ptr<CConfigRecord> record(new CConfigRecord);

    size_t i = 0;
    while (i < kConfigurationBlockSize && block[i] == 0) ++i;
    if (i == kConfigurationBlockSize) return record;   // nothing but zeros

    bool marker = i + sizeof kUnconfiguredMarker <= kConfigurationBlockSize;
    for (size_t k = 0; marker && k < sizeof kUnconfiguredMarker; ++k) marker = block[i + k] == kUnconfiguredMarker[k];
    if (marker) return record;

    size_t e = 0;
    record->m_strFileName = TextAt(block.data(), i, e);

    size_t valueStart = e + 1 + kSkippedBytes;
    if (valueStart >= kConfigurationBlockSize || block[valueStart] == 0) {
        // No value name: deliberate, the server then installs itself under a
        // value named by the first character of its file name, and the
        // removal deletes exactly that value.
        record->m_strValueName = record->m_strFileName.substr(0, 1);
    } else {
        size_t end = 0;
        record->m_strValueName = TextAt(block.data(), valueStart, end);
    }
    return record;
}
