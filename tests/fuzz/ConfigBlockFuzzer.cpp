// Fuzzes the configuration-block parse: any 100 bytes a suspect file holds.
// The block is an exact 100-byte heap buffer, so a read past it is reported.
#include "engine/core/ConfigurationBlock.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<ConfigurationBlock> block(new ConfigurationBlock{});
    std::memcpy(block->data(), data, size < kConfigurationBlockSize ? size : kConfigurationBlockSize);
    std::unique_ptr<CConfigRecord> record = ParseConfigurationBlock(*block);
    // Both names come from inside the block.
    if (record->m_strFileName.size() > kConfigurationBlockSize) std::abort();
    if (record->m_strValueName.size() > kConfigurationBlockSize) std::abort();
    if (record->m_strFileName.empty() && !record->m_strValueName.empty()) std::abort();
    return 0;
}
