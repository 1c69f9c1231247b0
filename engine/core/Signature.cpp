#include "engine/core/Signature.h"

#include <cstring>

SignatureCheck CheckSignature(CMachine& machine, const std::string& path, const unsigned char* signature)
{
    unsigned char buffer[kSignatureLength];
    size_t got = 0;
    if (!machine.ReadAt(path, kSignatureOffset, buffer, kSignatureLength, got)) return SignatureCheck::Unreadable;
    if (got < kSignatureLength) return SignatureCheck::NotCarrier;
    return std::memcmp(buffer, signature, kSignatureLength) == 0 ? SignatureCheck::Carrier : SignatureCheck::NotCarrier;
}
