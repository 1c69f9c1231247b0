// Writes a 9x registry file from a tree of keys: what the test images and
// the fuzzers are made of. Keys go into the navigation area depth first;
// their records fill data blocks of at most blockLimit bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CregValue {
    std::string name;    // empty: the default value
    uint32_t type = 1;   // 1 text, 3 binary, 4 number
    std::vector<unsigned char> data;
};

struct CregKey {
    std::string name;
    std::vector<CregValue> values;
    std::vector<CregKey> subKeys;
    uint32_t slack = 0;   // unused bytes at the end of the key's record
};

// The text value as the system stores it: the bytes and their terminator.
CregValue TextValue(const std::string& name, const std::string& text);

// root is the unnamed root key; its own values are not written.
std::vector<unsigned char> WriteCreg(const CregKey& root, size_t blockLimit = 0xF000);
