// The layout of a Windows 9x/ME registry file (SYSTEM.DAT, USER.DAT) as the
// public descriptions of the format give it: a 32-byte file header ("CREG"),
// the key navigation area ("RGKN": one 28-byte entry per key linking parent,
// first sub key and next sibling), then data blocks ("RGDB") holding one
// record per key: its name and its values. All numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace creg {

const size_t kFileHeaderSize = 0x20;
const size_t kNavigationOffset = 0x20;   // the RGKN area follows the file header
const size_t kNavigationHeaderSize = 0x20;
const size_t kHierarchyEntrySize = 28;
const size_t kDataBlockHeaderSize = 0x20;
const size_t kKeyRecordHeaderSize = 20;
const size_t kValueHeaderSize = 12;
const uint32_t kNone = 0xFFFFFFFF;   // no parent, sub key or sibling
const uint16_t kNoName = 0xFFFF;     // an entry without a name record (the root)

// File header.
const size_t kHeaderDataBlocksOffset = 8;
const size_t kHeaderDataBlockCount = 16;
// RGKN header.
const size_t kNavigationSize = 4;
const size_t kNavigationRootOffset = 8;
// Hierarchy entry.
const size_t kEntryHash = 4;
const size_t kEntryParent = 12;
const size_t kEntrySubKey = 16;
const size_t kEntryNext = 20;
const size_t kEntryNameNumber = 24;
const size_t kEntryBlockNumber = 26;
// RGDB header.
const size_t kBlockSize = 4;
const size_t kBlockUnusedSize = 8;
const size_t kBlockIndex = 14;
const size_t kBlockUsedSize = 16;
// Key record.
const size_t kRecordSize = 0;
const size_t kRecordIndex = 4;
const size_t kRecordBlock = 6;
const size_t kRecordUsedSize = 8;
const size_t kRecordNameSize = 12;
const size_t kRecordValueCount = 14;
// Value entry.
const size_t kValueType = 0;
const size_t kValueNameSize = 8;
const size_t kValueDataSize = 10;

inline uint16_t Get16(const unsigned char* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t Get32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Put16(unsigned char* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}   // namespace creg
