// What a pass tells whoever runs it: the failures the user must hear of at
// once, and how far the long scan has got. A pass never shows anything or
// ends the process itself.
#pragma once

#include <cstddef>

enum class EngineNotice {
    SignatureUnavailable,        // the engine cannot go on at all
    TerminationFailed,           // a server process could not be ended
    RegistryCleanFailed,         // its RunServices values could not be deleted
    QuarantineDirectoryFailed,   // "Infected Files" could not be made
};

class CPassHost {
public:
    virtual ~CPassHost() = default;
    virtual void Notify(EngineNotice notice) = 0;
    // The scan of every running image: once before, once per file, once after.
    virtual void ProgressBegin(size_t files) = 0;
    virtual void ProgressStep() = 0;
    virtual void ProgressEnd() = 0;
};
