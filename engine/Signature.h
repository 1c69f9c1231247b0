// The engine's signature: the 1,024 bytes a server file holds at a fixed
// offset, kept as resource BINARY 201 (1,025 bytes; the last is never used).
#pragma once

#include <string>

const long kSignatureOffset = 15710;
const unsigned kSignatureLength = 1024;
const unsigned kSignatureResourceSize = 1025;
const int kSignatureResourceId = 201;

// The resource's bytes. A missing or wrong-sized resource is fatal: a message
// box, then the process ends with exit code 65535.
const unsigned char* LoadSignatureOrExit();
