#include "rescue/CregWriter.h"

#include "rescue/CregFormat.h"

#include <cstring>

using namespace creg;

CregValue TextValue(const std::string& name, const std::string& text)
{
    CregValue v;
    v.name = name;
    v.type = 1;
    v.data.assign(text.begin(), text.end());
    v.data.push_back(0);
    return v;
}

namespace {

uint32_t NameHash(const std::string& name)
{
    uint32_t hash = 0;
    for (unsigned char c : name) hash += (c >= 'a' && c <= 'z') ? c - 32 : c;
    return hash;
}

std::vector<unsigned char> Record(const CregKey& key, uint16_t index, uint16_t block)
{
    std::vector<unsigned char> r(kKeyRecordHeaderSize);
    r.insert(r.end(), key.name.begin(), key.name.end());
    for (const CregValue& v : key.values) {
        unsigned char h[kValueHeaderSize] = {};
        Put32(h + kValueType, v.type);
        Put16(h + kValueNameSize, uint16_t(v.name.size()));
        Put16(h + kValueDataSize, uint16_t(v.data.size()));
        r.insert(r.end(), h, h + sizeof h);
        r.insert(r.end(), v.name.begin(), v.name.end());
        r.insert(r.end(), v.data.begin(), v.data.end());
    }
    const uint32_t used = uint32_t(r.size());
    r.resize(r.size() + key.slack);
    Put32(&r[kRecordSize], uint32_t(r.size()));
    Put16(&r[kRecordIndex], index);
    Put16(&r[kRecordBlock], block);
    Put32(&r[kRecordUsedSize], used);
    Put16(&r[kRecordNameSize], uint16_t(key.name.size()));
    Put16(&r[kRecordValueCount], uint16_t(key.values.size()));
    return r;
}

class Writer {
public:
    explicit Writer(size_t blockLimit) : m_limit(blockLimit) {}

    std::vector<unsigned char> Write(const CregKey& root)
    {
        m_nav.assign(kNavigationHeaderSize, 0);
        Add(root, kNone, true);
        CloseBlock();
        // Readers take the last 32 bytes of the area for no entry; the
        // system keeps the area in whole pages anyway.
        m_nav.resize((m_nav.size() + kNavigationHeaderSize + 0xFFF) & ~size_t(0xFFF), 0);

        std::vector<unsigned char> file(kFileHeaderSize, 0);
        std::memcpy(file.data(), "CREG", 4);
        Put16(&file[6], 1);   // format version 1.0
        std::memcpy(m_nav.data(), "RGKN", 4);
        Put32(&m_nav[kNavigationSize], uint32_t(m_nav.size()));
        Put32(&m_nav[kNavigationRootOffset], uint32_t(kNavigationHeaderSize));
        Put32(&m_nav[12], m_used);   // where free entries would start
        Put32(&file[kHeaderDataBlocksOffset], uint32_t(kNavigationOffset + m_nav.size()));
        Put16(&file[kHeaderDataBlockCount], uint16_t(m_blocks.size()));
        file.insert(file.end(), m_nav.begin(), m_nav.end());
        for (const auto& b : m_blocks) file.insert(file.end(), b.begin(), b.end());
        return file;
    }

private:
    // Writes the key's entry and those of its sub keys; returns the entry's offset.
    uint32_t Add(const CregKey& key, uint32_t parent, bool root)
    {
        const uint32_t offset = uint32_t(m_nav.size());
        m_nav.resize(m_nav.size() + kHierarchyEntrySize, 0);
        m_used = uint32_t(m_nav.size());
        unsigned char* e = &m_nav[offset];
        Put32(e + kEntryHash, root ? 0 : NameHash(key.name));
        Put32(e + kEntryParent, parent);
        Put32(e + kEntrySubKey, kNone);
        Put32(e + kEntryNext, kNone);
        uint16_t number = kNoName, block = kNoName;
        if (!root) Place(key, number, block);
        Put16(&m_nav[offset + kEntryNameNumber], number);
        Put16(&m_nav[offset + kEntryBlockNumber], block);

        uint32_t previous = kNone;
        for (const CregKey& sub : key.subKeys) {
            const uint32_t child = Add(sub, offset, false);
            Put32(&m_nav[(previous == kNone ? offset + kEntrySubKey : previous + kEntryNext)], child);
            previous = child;
        }
        return offset;
    }

    void Place(const CregKey& key, uint16_t& number, uint16_t& block)
    {
        std::vector<unsigned char> r = Record(key, 0, 0);
        if (!m_current.empty() && m_current.size() + r.size() > m_limit) CloseBlock();
        if (m_current.empty()) {
            m_current.assign(kDataBlockHeaderSize, 0);
            m_next = 0;
        }
        number = m_next++;
        block = uint16_t(m_blocks.size());
        Put16(&r[kRecordIndex], number);
        Put16(&r[kRecordBlock], block);
        m_current.insert(m_current.end(), r.begin(), r.end());
    }

    void CloseBlock()
    {
        if (m_current.empty()) {
            if (!m_blocks.empty()) return;
            m_current.assign(kDataBlockHeaderSize, 0);   // a file always has one block
        }
        std::memcpy(m_current.data(), "RGDB", 4);
        Put32(&m_current[kBlockSize], uint32_t(m_current.size()));
        Put32(&m_current[kBlockUnusedSize], 0);
        Put16(&m_current[kBlockIndex], uint16_t(m_blocks.size()));
        Put32(&m_current[kBlockUsedSize], uint32_t(m_current.size() - kDataBlockHeaderSize));
        Put16(&m_current[20], uint16_t(m_next ? m_next - 1 : 0));   // the highest record number
        m_blocks.push_back(m_current);
        m_current.clear();
    }

    size_t m_limit;
    std::vector<unsigned char> m_nav;
    uint32_t m_used = 0;
    std::vector<std::vector<unsigned char>> m_blocks;
    std::vector<unsigned char> m_current;
    uint16_t m_next = 0;
};

}   // namespace

std::vector<unsigned char> WriteCreg(const CregKey& root, size_t blockLimit)
{
    return Writer(blockLimit).Write(root);
}
