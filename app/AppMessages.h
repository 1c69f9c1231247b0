// Message boxes of the desktop program: the title "Kestrix" (string 57344)
// and an OK button.
#pragma once

#include <windows.h>

#include <string>

std::string LoadAppString(UINT id);
int AppMessageBox(const std::string& text, UINT type = MB_OK);
int AppMessageBox(UINT stringId, UINT type = MB_OK);
