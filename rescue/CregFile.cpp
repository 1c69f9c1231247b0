#include "rescue/CregFile.h"

#include "rescue/CregFormat.h"

#include <cstring>

using namespace creg;

namespace {

bool SameName(const unsigned char* a, size_t length, const std::string& b)
{
    if (length != b.size()) return false;
    for (size_t i = 0; i < length; ++i) {
        unsigned char x = a[i], y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

class CregView {
public:
    explicit CregView(std::vector<unsigned char>& bytes) : m_bytes(bytes) {}

    bool Open()
    {
        if (m_bytes.size() < kNavigationOffset + kNavigationHeaderSize) return false;
        if (std::memcmp(m_bytes.data(), "CREG", 4) != 0) return false;
        const unsigned char* nav = &m_bytes[kNavigationOffset];
        if (std::memcmp(nav, "RGKN", 4) != 0) return false;
        m_navSize = Get32(nav + kNavigationSize);
        if (m_navSize > m_bytes.size() - kNavigationOffset) return false;
        m_root = Get32(nav + kNavigationRootOffset);
        m_blocksOffset = Get32(&m_bytes[kHeaderDataBlocksOffset]);
        m_blockCount = Get16(&m_bytes[kHeaderDataBlockCount]);
        return m_blocksOffset <= m_bytes.size() && EntryAt(m_root) != nullptr;
    }

    // The hierarchy entry at an offset in the navigation area, or null.
    const unsigned char* EntryAt(uint32_t offset) const
    {
        if (offset == kNone || offset < kNavigationHeaderSize || offset > m_navSize ||
            m_navSize - offset < kHierarchyEntrySize)
            return nullptr;
        return &m_bytes[kNavigationOffset + offset];
    }

    uint32_t Root() const { return m_root; }
    uint32_t NavigationSize() const { return m_navSize; }

    // The offset of the key record an entry names, or 0.
    size_t RecordOf(const unsigned char* entry) const
    {
        const uint16_t number = Get16(entry + kEntryNameNumber), block = Get16(entry + kEntryBlockNumber);
        if (number == kNoName || block == kNoName || block >= m_blockCount) return 0;
        size_t at = m_blocksOffset;
        for (uint16_t b = 0;; ++b) {
            if (at > m_bytes.size() || m_bytes.size() - at < kDataBlockHeaderSize) return 0;
            if (std::memcmp(&m_bytes[at], "RGDB", 4) != 0) return 0;
            const uint32_t size = Get32(&m_bytes[at + kBlockSize]);
            if (size < kDataBlockHeaderSize || size > m_bytes.size() - at) return 0;
            if (b == block) return FindRecord(at, size, number);
            at += size;
        }
    }

    size_t FindRecord(size_t block, size_t blockSize, uint16_t number) const
    {
        size_t at = block + kDataBlockHeaderSize;
        const size_t end = block + blockSize;
        while (end - at >= kKeyRecordHeaderSize) {
            const uint32_t size = Get32(&m_bytes[at + kRecordSize]);
            if (size < kKeyRecordHeaderSize || size > end - at) return 0;
            if (Get16(&m_bytes[at + kRecordIndex]) == number) return at;
            at += size;
        }
        return 0;
    }

    // The record's name, checked to lie inside its used part.
    bool RecordName(size_t record, const unsigned char*& name, size_t& length) const
    {
        const uint32_t size = Get32(&m_bytes[record + kRecordSize]);
        const uint32_t used = Get32(&m_bytes[record + kRecordUsedSize]);
        length = Get16(&m_bytes[record + kRecordNameSize]);
        if (used > size || used < kKeyRecordHeaderSize || length > used - kKeyRecordHeaderSize) return false;
        name = &m_bytes[record + kKeyRecordHeaderSize];
        return true;
    }

    // The record of the key at path, or 0.
    size_t FindKey(const std::vector<std::string>& parts) const
    {
        const unsigned char* entry = EntryAt(m_root);
        size_t record = 0;
        size_t steps = 0;   // a linked list of entries must end: at most one visit per entry
        const size_t maxSteps = m_navSize / kHierarchyEntrySize + 1;
        for (const std::string& part : parts) {
            const unsigned char* child = EntryAt(Get32(entry + kEntrySubKey));
            const unsigned char* match = nullptr;
            while (child && !match) {
                if (++steps > maxSteps) return 0;
                const size_t r = RecordOf(child);
                const unsigned char* name = nullptr;
                size_t length = 0;
                if (r && RecordName(r, name, length) && SameName(name, length, part)) {
                    match = child;
                    record = r;
                } else {
                    child = EntryAt(Get32(child + kEntryNext));
                }
            }
            if (!match) return 0;
            entry = match;
        }
        return parts.empty() ? 0 : record;
    }

private:
    std::vector<unsigned char>& m_bytes;
    uint32_t m_navSize = 0;
    uint32_t m_root = 0;
    uint32_t m_blocksOffset = 0;
    uint16_t m_blockCount = 0;
};

}   // namespace

CregEdit DeleteCregValue(std::vector<unsigned char>& bytes, const std::string& keyPath, const std::string& name)
{
    CregView view(bytes);
    if (!view.Open()) return CregEdit::Malformed;
    const size_t record = view.FindKey(SplitPath(keyPath));
    if (!record) return CregEdit::NoSuchKey;

    const unsigned char* keyName = nullptr;
    size_t keyNameLength = 0;
    if (!view.RecordName(record, keyName, keyNameLength)) return CregEdit::Malformed;
    const uint32_t used = Get32(&bytes[record + kRecordUsedSize]);
    const uint16_t count = Get16(&bytes[record + kRecordValueCount]);
    const size_t end = record + used;

    size_t at = record + kKeyRecordHeaderSize + keyNameLength;
    for (uint16_t i = 0; i < count; ++i) {
        if (end - at < kValueHeaderSize) return CregEdit::Malformed;
        const size_t nameSize = Get16(&bytes[at + kValueNameSize]);
        const size_t dataSize = Get16(&bytes[at + kValueDataSize]);
        const size_t entrySize = kValueHeaderSize + nameSize + dataSize;
        if (entrySize > end - at) return CregEdit::Malformed;
        if (SameName(&bytes[at + kValueHeaderSize], nameSize, name)) {
            // The values after it move up; the freed tail of the used part is cleared.
            std::memmove(&bytes[at], &bytes[at + entrySize], end - at - entrySize);
            std::memset(&bytes[end - entrySize], 0, entrySize);
            Put16(&bytes[record + kRecordValueCount], uint16_t(count - 1));
            Put32(&bytes[record + kRecordUsedSize], uint32_t(used - entrySize));
            return CregEdit::Deleted;
        }
        at += entrySize;
    }
    return CregEdit::NoSuchValue;
}

bool CregKeyTreeSound(const std::vector<unsigned char>& bytes)
{
    std::vector<unsigned char> copy = bytes;   // the view takes a writable file
    CregView view(copy);
    if (!view.Open()) return false;   // no header or navigation area this reading can trust
    std::vector<bool> seen(view.NavigationSize() + 1, false);
    std::vector<uint32_t> pending{view.Root()};
    while (!pending.empty()) {
        const uint32_t offset = pending.back();
        pending.pop_back();
        const unsigned char* entry = view.EntryAt(offset);
        if (!entry || seen[offset]) return false;
        seen[offset] = true;
        for (size_t link : {kEntrySubKey, kEntryNext}) {
            const uint32_t next = Get32(entry + link);
            if (next != kNone) pending.push_back(next);
        }
    }
    return true;
}
