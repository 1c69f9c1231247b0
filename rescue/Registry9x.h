// Reading a Windows 9x/ME registry file through libcreg, from its bytes.
#pragma once

#include "engine/core/Machine.h"

#include <string>
#include <vector>

extern const char* const kRunServicesKey;   // Software\Microsoft\Windows\CurrentVersion\RunServices

enum class RegistryRead { Read, NoKey, Unreadable };

// The RunServices values of a SYSTEM.DAT, in the file's order. error says
// what libcreg found wrong when the file cannot be read.
RegistryRead ReadRunServices9x(const std::vector<unsigned char>& file, std::vector<RunServicesValue>& values,
                               std::string& error);

// Every key and value of the file, one line each (key path, value name,
// type and data in hex), in the file's order: what a rewritten file is
// compared by. False when libcreg cannot read it whole.
bool ListRegistry9x(const std::vector<unsigned char>& file, std::vector<std::string>& lines, std::string& error);
