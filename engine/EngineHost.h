// Whoever owns an engine object hears through this what the user must be
// told at once (the COM object shows the message boxes).
#pragma once

#include "engine/core/PassHost.h"

class CEngineHost {
public:
    virtual ~CEngineHost() = default;
    virtual void Notify(EngineNotice notice) = 0;
};
