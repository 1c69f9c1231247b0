// Deleting a registry key with everything under it, the same on every
// Windows: RegDeleteKey removes a whole subtree on Windows 9x but refuses a
// key that has subkeys on NT, so the subkeys go first.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// The Win32 error of the last deletion, ERROR_SUCCESS when the key is gone.
LONG DeleteKeyTree(HKEY parent, const std::string& name);

}   // namespace kx
