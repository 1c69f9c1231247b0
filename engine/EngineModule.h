// The module that carries the engine (quarrion.dll, or a test program that
// links the engine in): its resources and the caption of its message boxes.
#pragma once

#include <windows.h>

#include <string>

HMODULE EngineModule();

// The module's full path as the loader gives it.
std::string EngineModulePath();

// The module's file name without directory and extension ("quarrion").
std::string EngineTitle();

// A message box captioned with EngineTitle, modal to the caller's active
// window. Boxes that ask for no icon get the exclamation icon.
int EngineMessageBox(const char* text, UINT type);
