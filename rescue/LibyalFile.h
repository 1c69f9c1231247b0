// What the three libyal libraries (libcreg, libregf, libqcow) share in use:
// their errors as one line, their text getters, and a file opened from
// bytes. Each library is described by a traits struct naming its types and
// functions.
#pragma once

#include "rescue/TempFile.h"

#include <cstdint>
#include <string>
#include <vector>

// The outermost message of a libyal error (they stack up, one per line),
// and the error freed.
template <typename Error, typename Sprint, typename Release>
std::string LibyalErrorText(Error*& error, Sprint sprint, Release release)
{
    char text[512] = "unknown error";
    if (error) {
        sprint(error, text, sizeof text);
        release(&error);
    }
    std::string s = text;
    s = s.substr(0, s.find('\n'));
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
    return s;
}

// A libyal string getter pair (size, then bytes) as a std::string without
// its terminator.
template <typename Object, typename Error>
bool LibyalString(Object* object, int (*size)(Object*, size_t*, Error**),
                  int (*get)(Object*, uint8_t*, size_t, Error**), std::string& out, Error*& error)
{
    size_t length = 0;
    if (size(object, &length, &error) != 1) return false;
    out.assign(length, '\0');
    if (length && get(object, reinterpret_cast<uint8_t*>(&out[0]), length, &error) != 1) return false;
    while (!out.empty() && out.back() == '\0') out.pop_back();
    return true;
}

// One open file of a libyal library. The library reads it from a file of
// our own: reading from memory (libbfio's ranges) reads past the buffer on
// some damaged files.
template <typename Traits>
class CLibyalFile {
public:
    using File = typename Traits::File;
    using Error = typename Traits::Error;

    CLibyalFile() = default;
    CLibyalFile(const CLibyalFile&) = delete;
    CLibyalFile& operator=(const CLibyalFile&) = delete;
    ~CLibyalFile()
    {
        if (!m_file) return;
        if (m_open) Traits::Close(m_file, nullptr);
        Traits::Free(&m_file, nullptr);
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
        Error* e = nullptr;
        if (Traits::Initialize(&m_file, &e) != 1 ||
            Traits::Open(m_file, m_copy.Path().c_str(), Traits::kRead, &e) != 1) {
            error = Text(e);
            return false;
        }
        m_open = true;
        return true;
    }

    File* Get() const { return m_file; }
    static std::string Text(Error*& e) { return LibyalErrorText(e, Traits::Sprint, Traits::FreeError); }

private:
    TempFile m_copy;
    File* m_file = nullptr;
    bool m_open = false;
};
