// The configuration block a server file carries at a fixed offset: the file
// name it installed itself under and the RunServices value that starts it.
// Read from a suspect file, so the parse never looks outside the block.
// Free of Win32 types: the fuzzer builds it natively.
#pragma once

#include "engine/core/ConfigRecord.h"

#include <array>
#include <cstddef>
#include <memory>

const long kConfigurationOffset = 124888;
const size_t kConfigurationBlockSize = 100;
using ConfigurationBlock = std::array<unsigned char, kConfigurationBlockSize>;

// Takes a block apart. Bounds: an all-zero block gives two empty names (as the
// unconfigured marker does); a file name without a terminator runs to the
// block's end; a value field at or past the block's end counts as empty.
std::unique_ptr<CConfigRecord> ParseConfigurationBlock(const ConfigurationBlock& block);
