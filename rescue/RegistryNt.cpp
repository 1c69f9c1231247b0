#include "RegistryNt.h"

#include "TempFile.h"

#include <libregf.h>

#include <memory>

namespace {

std::string TakeError(libregf_error_t*& error)
{
    char text[512] = "unknown error";
    if (error) {
        libregf_error_sprint(error, text, sizeof text);
        libregf_error_free(&error);
    }
    std::string s = text;
    return s.substr(0, s.find('\n'));
}

struct KeyFree {
    void operator()(libregf_key_t* k) const { libregf_key_free(&k, nullptr); }
};
struct ValueFree {
    void operator()(libregf_value_t* v) const { libregf_value_free(&v, nullptr); }
};

class HiveReader {
public:
    ~HiveReader()
    {
        if (m_file) {
            if (m_open) libregf_file_close(m_file, nullptr);
            libregf_file_free(&m_file, nullptr);
        }
    }
    bool Open(const std::vector<unsigned char>& bytes, std::string& error)
    {
        if (bytes.empty()) {
            error = "the file is empty";
            return false;
        }
        if (!m_copy.Write(bytes)) {
            error = "no room for a temporary copy";
            return false;
        }
        libregf_error_t* e = nullptr;
        if (libregf_file_initialize(&m_file, &e) != 1 ||
            libregf_file_open(m_file, m_copy.Path().c_str(), LIBREGF_OPEN_READ, &e) != 1) {
            error = TakeError(e);
            return false;
        }
        m_open = true;
        return true;
    }
    libregf_file_t* File() const { return m_file; }

private:
    TempFile m_copy;
    libregf_file_t* m_file = nullptr;
    bool m_open = false;
};

bool Utf8Name(libregf_value_t* v, std::string& name, libregf_error_t*& e)
{
    size_t size = 0;
    if (libregf_value_get_utf8_name_size(v, &size, &e) != 1) return false;
    name.assign(size, '\0');
    if (size && libregf_value_get_utf8_name(v, reinterpret_cast<uint8_t*>(&name[0]), size, &e) != 1) return false;
    while (!name.empty() && name.back() == '\0') name.pop_back();
    return true;
}

bool Utf8Data(libregf_value_t* v, std::string& data, libregf_error_t*& e)
{
    size_t size = 0;
    if (libregf_value_get_value_utf8_string_size(v, &size, &e) != 1) {
        // Not a string type: read as text up to the first zero byte.
        libregf_error_free(&e);
        if (libregf_value_get_value_data_size(v, &size, &e) != 1) return false;
        std::vector<unsigned char> raw(size);
        if (size && libregf_value_get_value_data(v, raw.data(), size, &e) != 1) return false;
        data.clear();
        for (unsigned char b : raw) {
            if (!b) break;
            data += char(b);
        }
        return true;
    }
    data.assign(size, '\0');
    if (size && libregf_value_get_value_utf8_string(v, reinterpret_cast<uint8_t*>(&data[0]), size, &e) != 1)
        return false;
    data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
    return true;
}

}   // namespace

RegistryRead ReadRunServicesNt(const std::vector<unsigned char>& file, std::vector<RunServicesValue>& values,
                               std::string& error)
{
    values.clear();
    HiveReader reader;
    if (!reader.Open(file, error)) return RegistryRead::Unreadable;
    const std::string path = "Microsoft\\Windows\\CurrentVersion\\RunServices";
    libregf_error_t* e = nullptr;
    libregf_key_t* raw = nullptr;
    int found = libregf_file_get_key_by_utf8_path(reader.File(), reinterpret_cast<const uint8_t*>(path.data()),
                                                  path.size(), &raw, &e);
    if (found == 0) return RegistryRead::NoKey;
    if (found != 1) {
        error = TakeError(e);
        return RegistryRead::Unreadable;
    }
    std::unique_ptr<libregf_key_t, KeyFree> key(raw);
    int count = 0;
    if (libregf_key_get_number_of_values(key.get(), &count, &e) != 1) {
        error = TakeError(e);
        return RegistryRead::Unreadable;
    }
    for (int i = 0; i < count; ++i) {
        libregf_value_t* rv = nullptr;
        if (libregf_key_get_value(key.get(), i, &rv, &e) != 1) {
            error = TakeError(e);
            return RegistryRead::Unreadable;
        }
        std::unique_ptr<libregf_value_t, ValueFree> value(rv);
        RunServicesValue v;
        if (!Utf8Name(value.get(), v.name, e) || !Utf8Data(value.get(), v.data, e)) {
            error = TakeError(e);
            return RegistryRead::Unreadable;
        }
        values.push_back(v);
    }
    return RegistryRead::Read;
}
