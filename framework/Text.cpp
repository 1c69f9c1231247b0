#include "framework/Text.h"

#include <vector>

namespace kx {

std::wstring Widen(const std::string& s)
{
    if (s.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &wide[0], n);
    return wide;
}

std::string LowerCase(std::string s)
{
    if (!s.empty()) ::CharLowerBuffA(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

std::string CurrentDirectory()
{
    char path[MAX_PATH];
    const DWORD n = ::GetCurrentDirectoryA(MAX_PATH, path);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

}   // namespace kx
