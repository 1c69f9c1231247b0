#include "rescue/Registry9x.h"

#include "rescue/CregFile.h"
#include "rescue/LibyalFile.h"

#include <libcreg.h>

#include <cstdio>
#include <memory>

const char* const kRunServicesKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";

namespace {

struct Creg {
    using File = libcreg_file_t;
    using Error = libcreg_error_t;
    static constexpr int kRead = LIBCREG_OPEN_READ;
    static constexpr auto Initialize = libcreg_file_initialize;
    static constexpr auto Open = libcreg_file_open;
    static constexpr auto Close = libcreg_file_close;
    static constexpr auto Free = libcreg_file_free;
    static constexpr auto Sprint = libcreg_error_sprint;
    static constexpr auto FreeError = libcreg_error_free;
};
using CregFile = CLibyalFile<Creg>;

std::string TakeError(libcreg_error_t*& error)
{
    return CregFile::Text(error);
}

struct KeyFree {
    void operator()(libcreg_key_t* k) const { libcreg_key_free(&k, nullptr); }
};
struct ValueFree {
    void operator()(libcreg_value_t* v) const { libcreg_value_free(&v, nullptr); }
};
using KeyPtr = std::unique_ptr<libcreg_key_t, KeyFree>;
using ValuePtr = std::unique_ptr<libcreg_value_t, ValueFree>;

// Refuses, before libcreg sees it, a file whose key tree libcreg would walk for ever.
bool OpenCreg(CregFile& reader, const std::vector<unsigned char>& bytes, std::string& error)
{
    if (!bytes.empty() && !CregKeyTreeSound(bytes)) {
        error = "no sound 9x registry file: its header or key tree is damaged (a key linked twice or outside the file)";
        return false;
    }
    return reader.Open(bytes, error);
}

bool RawName(libcreg_value_t* value, std::string& name, libcreg_error_t*& e)
{
    return LibyalString(value, libcreg_value_get_name_size, libcreg_value_get_name, name, e);
}

bool Data(libcreg_value_t* value, std::vector<unsigned char>& data, libcreg_error_t*& e)
{
    size_t size = 0;
    if (libcreg_value_get_value_data_size(value, &size, &e) != 1) return false;
    data.assign(size, 0);
    return size == 0 || libcreg_value_get_value_data(value, data.data(), size, &e) == 1;
}

bool KeyName(libcreg_key_t* key, std::string& name, libcreg_error_t*& e)
{
    return LibyalString(key, libcreg_key_get_name_size, libcreg_key_get_name, name, e);
}

bool ListKey(libcreg_key_t* key, const std::string& path, std::vector<std::string>& lines, libcreg_error_t*& e,
             int depth)
{
    if (depth > 512) return false;
    lines.push_back(path);
    int values = 0;
    if (libcreg_key_get_number_of_values(key, &values, &e) != 1) return false;
    for (int i = 0; i < values; ++i) {
        libcreg_value_t* raw = nullptr;
        if (libcreg_key_get_value_by_index(key, i, &raw, &e) != 1) return false;
        ValuePtr value(raw);
        std::string name;
        std::vector<unsigned char> data;
        uint32_t type = 0;
        if (!RawName(value.get(), name, e) || !Data(value.get(), data, e) ||
            libcreg_value_get_value_type(value.get(), &type, &e) != 1)
            return false;
        std::string line = path + "\t" + name + "\t" + std::to_string(type) + "\t";
        char hex[3];
        for (unsigned char b : data) {
            std::snprintf(hex, sizeof hex, "%02x", b);
            line += hex;
        }
        lines.push_back(line);
    }
    int subKeys = 0;
    if (libcreg_key_get_number_of_sub_keys(key, &subKeys, &e) != 1) return false;
    for (int i = 0; i < subKeys; ++i) {
        libcreg_key_t* raw = nullptr;
        if (libcreg_key_get_sub_key_by_index(key, i, &raw, &e) != 1) return false;
        KeyPtr sub(raw);
        std::string name;
        if (!KeyName(sub.get(), name, e)) return false;
        if (!ListKey(sub.get(), path + "\\" + name, lines, e, depth + 1)) return false;
    }
    return true;
}

}   // namespace

RegistryRead ReadRunServices9x(const std::vector<unsigned char>& file, std::vector<RunServicesValue>& values,
                               std::string& error)
{
    values.clear();
    CregFile reader;
    if (!OpenCreg(reader, file, error)) return RegistryRead::Unreadable;
    libcreg_error_t* e = nullptr;
    libcreg_key_t* raw = nullptr;
    const std::string path = kRunServicesKey;
    int found = libcreg_file_get_key_by_utf8_path(reader.Get(), reinterpret_cast<const uint8_t*>(path.data()),
                                                  path.size(), &raw, &e);
    if (found == 0) return RegistryRead::NoKey;
    if (found != 1) {
        error = TakeError(e);
        return RegistryRead::Unreadable;
    }
    KeyPtr key(raw);
    int count = 0;
    if (libcreg_key_get_number_of_values(key.get(), &count, &e) != 1) {
        error = TakeError(e);
        return RegistryRead::Unreadable;
    }
    for (int i = 0; i < count; ++i) {
        libcreg_value_t* rawValue = nullptr;
        if (libcreg_key_get_value_by_index(key.get(), i, &rawValue, &e) != 1) {
            error = TakeError(e);
            return RegistryRead::Unreadable;
        }
        ValuePtr value(rawValue);
        RunServicesValue v;
        std::vector<unsigned char> data;
        if (!RawName(value.get(), v.name, e) || !Data(value.get(), data, e)) {
            error = TakeError(e);
            return RegistryRead::Unreadable;
        }
        // Read as zero-terminated text, whatever its type, as the engine reads it.
        for (unsigned char b : data) {
            if (!b) break;
            v.data += static_cast<char>(b);
        }
        values.push_back(v);
    }
    return RegistryRead::Read;
}

bool ListRegistry9x(const std::vector<unsigned char>& file, std::vector<std::string>& lines, std::string& error)
{
    lines.clear();
    CregFile reader;
    if (!OpenCreg(reader, file, error)) return false;
    libcreg_error_t* e = nullptr;
    libcreg_key_t* raw = nullptr;
    if (libcreg_file_get_root_key(reader.Get(), &raw, &e) != 1) {
        error = TakeError(e);
        return false;
    }
    KeyPtr root(raw);
    if (!ListKey(root.get(), "", lines, e, 0)) {
        error = e ? TakeError(e) : "the key tree is too deep";
        return false;
    }
    return true;
}
