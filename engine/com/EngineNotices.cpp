#include "engine/com/EngineNotices.h"

#include "framework/Application.h"
#include "engine/EngineModule.h"

void ShowEngineNotice(EngineNotice notice)
{
    switch (notice) {
    case EngineNotice::SignatureUnavailable:
        EngineMessageBox("Error loading signature. Program cannot continue.", MB_OK);
        ::ExitProcess(kx::kImmediateExitCode);
    case EngineNotice::TerminationFailed:
        EngineMessageBox("Error trying to terminate the process. Removal Failed!  See Kestrix.log for details.",
                         MB_OK | MB_ICONERROR);
        return;
    case EngineNotice::RegistryCleanFailed:
        EngineMessageBox("Error trying to remove registry entries. Removal Failed! See Kestrix.log for details.",
                         MB_OK | MB_ICONERROR);
        return;
    case EngineNotice::QuarantineDirectoryFailed:
        EngineMessageBox("Error creating trojan-depository directory. See log for details.", MB_OK);
        return;
    }
}
