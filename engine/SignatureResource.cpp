#include "engine/SignatureResource.h"

#include "engine/EngineModule.h"
#include "framework/Resource.h"

const unsigned char* LoadSignature()
{
    kx::ResourceBytes bytes = kx::FindResourceBytes(EngineModule(), MAKEINTRESOURCEA(kSignatureResourceId), "BINARY");
    if (bytes.size != kSignatureResourceSize || !bytes.data) return nullptr;
    return static_cast<const unsigned char*>(bytes.data);
}
