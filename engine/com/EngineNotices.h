// The message boxes the engine shows for what its passes report, and the one
// notice after which the process cannot go on.
#pragma once

#include "engine/EngineHost.h"

// Shows the notice's box (captioned with the engine module's name); after
// SignatureUnavailable it ends the process with exit code 65535.
void ShowEngineNotice(EngineNotice notice);

// The host the COM object gives its engine.
class CEngineNotices : public CEngineHost {
public:
    void Notify(EngineNotice notice) override { ShowEngineNotice(notice); }
};
