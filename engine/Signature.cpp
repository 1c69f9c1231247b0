#include "Signature.h"

#include "Application.h"
#include "EngineModule.h"
#include "Resource.h"

const unsigned char* LoadSignatureOrExit()
{
    kx::ResourceBytes bytes = kx::FindResourceBytes(EngineModule(), MAKEINTRESOURCEA(kSignatureResourceId), "BINARY");
    if (bytes.size != kSignatureResourceSize || !bytes.data) {
        EngineMessageBox("Error loading signature. Program cannot continue.", MB_OK);
        ::ExitProcess(kx::kImmediateExitCode);
    }
    return static_cast<const unsigned char*>(bytes.data);
}
