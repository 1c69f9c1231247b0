// The configuration block a server file carries at a fixed offset: the file
// name it installed itself under and the RunServices value that starts it.
// Read from a suspect file, so the parse never looks outside the block.
// Free of Win32 types: the fuzzer builds it natively.
#pragma once

#include "ConfigRecord.h"

#include <cstddef>

const long kConfigurationOffset = 124888;
const size_t kConfigurationBlockSize = 100;

// Takes a block of kConfigurationBlockSize bytes apart. The caller owns the
// record. Bounds: an all-zero block gives two empty names (as the
// unconfigured marker does); a file name without a terminator runs to the
// block's end; a value field at or past the block's end counts as empty.
CConfigRecord* ParseConfigurationBlock(const unsigned char* block);
