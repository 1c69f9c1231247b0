#include "Registry9x.h"

#include "CregFile.h"
#include "TempFile.h"

#include <libcreg.h>

#include <cstdio>
#include <memory>

const char* const kRunServicesKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";

namespace {

std::string TakeError(libcreg_error_t*& error)
{
    char text[512] = "unknown error";
    if (error) {
        libcreg_error_sprint(error, text, sizeof text);
        libcreg_error_free(&error);
    }
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '.')) s.pop_back();
    const size_t last = s.rfind('\n');   // libyal errors stack up; the outermost is the first line
    return last == std::string::npos ? s : s.substr(0, s.find('\n'));
}

struct KeyFree {
    void operator()(libcreg_key_t* k) const { libcreg_key_free(&k, nullptr); }
};
struct ValueFree {
    void operator()(libcreg_value_t* v) const { libcreg_value_free(&v, nullptr); }
};
using KeyPtr = std::unique_ptr<libcreg_key_t, KeyFree>;
using ValuePtr = std::unique_ptr<libcreg_value_t, ValueFree>;

// One open registry file. The library reads it from a file of its own:
// its reading from memory reads past the buffer on some damaged files.
class CregReader {
public:
    ~CregReader()
    {
        if (m_file) {
            if (m_open) libcreg_file_close(m_file, nullptr);
            libcreg_file_free(&m_file, nullptr);
        }
    }

    bool Open(const std::vector<unsigned char>& bytes, std::string& error)
    {
        if (bytes.empty()) {
            error = "the file is empty";
            return false;
        }
        if (!CregKeyTreeSound(bytes)) {
            error = "no sound 9x registry file: its header or key tree is damaged (a key linked twice or outside the file)";
            return false;
        }
        if (!m_copy.Write(bytes)) {
            error = "no room for a temporary copy";
            return false;
        }
        libcreg_error_t* e = nullptr;
        if (libcreg_file_initialize(&m_file, &e) != 1 ||
            libcreg_file_open(m_file, m_copy.Path().c_str(), LIBCREG_OPEN_READ, &e) != 1) {
            error = TakeError(e);
            return false;
        }
        m_open = true;
        return true;
    }

    libcreg_file_t* File() const { return m_file; }

private:
    TempFile m_copy;
    libcreg_file_t* m_file = nullptr;
    bool m_open = false;
};

bool RawName(libcreg_value_t* value, std::string& name, libcreg_error_t*& e)
{
    size_t size = 0;
    if (libcreg_value_get_name_size(value, &size, &e) != 1) return false;
    name.assign(size, '\0');
    if (size && libcreg_value_get_name(value, reinterpret_cast<uint8_t*>(&name[0]), size, &e) != 1) return false;
    while (!name.empty() && name.back() == '\0') name.pop_back();
    return true;
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
    size_t size = 0;
    if (libcreg_key_get_name_size(key, &size, &e) != 1) return false;
    name.assign(size, '\0');
    if (size && libcreg_key_get_name(key, reinterpret_cast<uint8_t*>(&name[0]), size, &e) != 1) return false;
    while (!name.empty() && name.back() == '\0') name.pop_back();
    return true;
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
    CregReader reader;
    if (!reader.Open(file, error)) return RegistryRead::Unreadable;
    libcreg_error_t* e = nullptr;
    libcreg_key_t* raw = nullptr;
    const std::string path = kRunServicesKey;
    int found = libcreg_file_get_key_by_utf8_path(reader.File(), reinterpret_cast<const uint8_t*>(path.data()),
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
    CregReader reader;
    if (!reader.Open(file, error)) return false;
    libcreg_error_t* e = nullptr;
    libcreg_key_t* raw = nullptr;
    if (libcreg_file_get_root_key(reader.File(), &raw, &e) != 1) {
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
