// The signature rule: a file is a server when the 1,024 bytes at a fixed
// offset equal the engine's signature (kept as 1,025 bytes; the last is
// never compared).
#pragma once

#include "engine/core/Machine.h"

#include <string>

const long kSignatureOffset = 15710;
const unsigned kSignatureLength = 1024;
const unsigned kSignatureResourceSize = 1025;

enum class SignatureCheck { Carrier, NotCarrier, Unreadable };

// One read at the signature's offset, one comparison; a file too short for
// the signature never matches. signature holds kSignatureLength bytes.
SignatureCheck CheckSignature(CMachine& machine, const std::string& path, const unsigned char* signature);
