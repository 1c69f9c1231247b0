// Reading a program file that may be hostile (a running image, a server
// file): opened for reading while others may read and write it, and read at
// one offset only.
#pragma once

#include "framework/Handles.h"

#include <string>

kx::FileHandle OpenImageFile(const std::string& path);

// Reads up to length bytes at offset; the number read, 0 when the position
// could not be reached.
DWORD ReadAt(const kx::FileHandle& file, LONG offset, void* buffer, DWORD length);
