#include "engine/live/ImageFile.h"

kx::FileHandle OpenImageFile(const std::string& path)
{
    return kx::FileHandle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

DWORD ReadAt(const kx::FileHandle& file, LONG offset, void* buffer, DWORD length)
{
    if (::SetFilePointer(file.Get(), offset, nullptr, FILE_BEGIN) != static_cast<DWORD>(offset)) return 0;
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer, length, &got, nullptr)) return 0;
    return got;
}
