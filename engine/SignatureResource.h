// The engine's signature as the module carries it: resource BINARY 201 of
// kSignatureResourceSize bytes.
#pragma once

#include "engine/core/Signature.h"

const int kSignatureResourceId = 201;

// The resource's bytes; null when it is missing or of the wrong size.
const unsigned char* LoadSignature();
