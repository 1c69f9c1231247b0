#include "Signature.h"

#include "Application.h"
#include "EngineModule.h"

const unsigned char* LoadSignatureOrExit()
{
    HMODULE module = EngineModule();
    HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(kSignatureResourceId), "BINARY");
    DWORD size = info ? ::SizeofResource(module, info) : 0;
    HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (size != kSignatureResourceSize || !bytes) {
        EngineMessageBox("Error loading signature. Program cannot continue.", MB_OK);
        ::ExitProcess(kx::kImmediateExitCode);
    }
    return static_cast<const unsigned char*>(bytes);
}
