#include "rescue/RegistryNt.h"

#include "rescue/LibyalFile.h"

#include <libregf.h>

#include <memory>

namespace {

struct Regf {
    using File = libregf_file_t;
    using Error = libregf_error_t;
    static constexpr int kRead = LIBREGF_OPEN_READ;
    static constexpr auto Initialize = libregf_file_initialize;
    static constexpr auto Open = libregf_file_open;
    static constexpr auto Close = libregf_file_close;
    static constexpr auto Free = libregf_file_free;
    static constexpr auto Sprint = libregf_error_sprint;
    static constexpr auto FreeError = libregf_error_free;
};
using HiveFile = CLibyalFile<Regf>;

std::string TakeError(libregf_error_t*& error)
{
    return HiveFile::Text(error);
}

struct KeyFree {
    void operator()(libregf_key_t* k) const { libregf_key_free(&k, nullptr); }
};
struct ValueFree {
    void operator()(libregf_value_t* v) const { libregf_value_free(&v, nullptr); }
};

bool Utf8Name(libregf_value_t* v, std::string& name, libregf_error_t*& e)
{
    return LibyalString(v, libregf_value_get_utf8_name_size, libregf_value_get_utf8_name, name, e);
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
    HiveFile reader;
    if (!reader.Open(file, error)) return RegistryRead::Unreadable;
    const std::string path = "Microsoft\\Windows\\CurrentVersion\\RunServices";
    libregf_error_t* e = nullptr;
    libregf_key_t* raw = nullptr;
    int found = libregf_file_get_key_by_utf8_path(reader.Get(), reinterpret_cast<const uint8_t*>(path.data()),
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
