// kx-systemdat OUT TEXT: writes a Windows 9x registry file from a text in
// the REGEDIT4 style: [Key\Path] lines, then "name"="text", @="text" (the
// default value), "name"=dword:0000002a, "name"=hex:01,02, each on a line.
// Makes the SYSTEM.DAT files of the test images.
#include "rescue/CregWriter.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

CregKey& KeyAt(CregKey& root, const std::string& path)
{
    CregKey* key = &root;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        CregKey* next = nullptr;
        for (CregKey& sub : key->subKeys)
            if (sub.name == part) next = &sub;
        if (!next) {
            key->subKeys.push_back(CregKey{part, {}, {}, 0});
            next = &key->subKeys.back();
        }
        key = next;
    }
    return *key;
}

// A quoted string with \\ and \" escapes; pos moves past it.
bool Quoted(const std::string& line, size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        if (line[pos] == '\\' && pos + 1 < line.size()) {
            out += line[++pos];
        } else if (line[pos] == '"') {
            ++pos;
            return true;
        } else {
            out += line[pos];
        }
    }
    return false;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: kx-systemdat OUT TEXT\n";
        return 64;
    }
    std::ifstream text(argv[2]);
    if (!text) {
        std::cerr << "kx-systemdat: cannot read " << argv[2] << "\n";
        return 2;
    }
    CregKey root;
    CregKey* key = nullptr;
    std::string line;
    int number = 0;
    while (std::getline(text, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line == "REGEDIT4") continue;
        if (line[0] == '[' && line.back() == ']') {
            key = &KeyAt(root, line.substr(1, line.size() - 2));
            continue;
        }
        CregValue value;
        size_t pos = 0;
        bool ok = key != nullptr;
        if (ok && line[0] == '@') {
            pos = 1;
        } else if (ok) {
            ok = Quoted(line, pos, value.name);
        }
        ok = ok && pos < line.size() && line[pos++] == '=';
        std::string rest = ok ? line.substr(pos) : std::string();
        if (ok && rest.rfind("dword:", 0) == 0) {
            unsigned long n = std::stoul(rest.substr(6), nullptr, 16);
            value.type = 4;
            for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<unsigned char>(n >> (8 * i)));
        } else if (ok && rest.rfind("hex:", 0) == 0) {
            value.type = 3;
            for (size_t i = 4; i + 1 < rest.size() + 1; i += 3)
                value.data.push_back(static_cast<unsigned char>(std::stoul(rest.substr(i, 2), nullptr, 16)));
        } else if (ok) {
            std::string text;
            size_t p = 0;
            ok = Quoted(rest, p, text);
            value = TextValue(value.name, text);
        }
        if (!ok) {
            std::cerr << "kx-systemdat: " << argv[2] << ":" << number << ": cannot read this line\n";
            return 2;
        }
        key->values.push_back(value);
    }
    std::vector<unsigned char> bytes = WriteCreg(root);
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::cerr << "kx-systemdat: cannot write " << argv[1] << "\n";
        return 2;
    }
    return 0;
}
