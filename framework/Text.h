// Small text helpers shared by the program, the engine and their tools.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// The string in the ANSI code page made UTF-16 (for OLE's wide strings).
std::wstring Widen(const std::string& s);

// Lower case in the ANSI code page, as file names compare.
std::string LowerCase(std::string s);

// The current directory without a final backslash; empty when it cannot be
// had (never a stand-in such as the root of the drive).
std::string CurrentDirectory();

}   // namespace kx
