// Message boxes of the desktop program: the title "Kestrix" (string 57344)
// and an OK button.
#pragma once

#include <windows.h>

#include <string>

std::string LoadAppString(UINT id);
int AppMessageBox(const std::string& text, UINT type = MB_OK);
int AppMessageBox(UINT stringId, UINT type = MB_OK);

// Creates the engine object into g_pEngine when the slot is empty. On failure
// the program ends: string 57348, CoUninitialize and exit status -1 (the
// runtime's ordinary exit, so the application object's clean-up runs).
void EnsureEngineOrExit();
