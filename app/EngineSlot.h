// The program's one engine object: the slot g_pEngine, and the only places
// that fill and empty it.
#pragma once

#include "ScanEngine_h.h"

extern IScanEngine* g_pEngine;   // at most one engine object; whoever empties it releases it

// Creates an engine object into the empty slot; false (slot empty) when COM
// could not create one.
bool CreateEngine();

// Creates the engine object into g_pEngine when the slot is empty. On failure
// the program ends: string 57348, CoUninitialize and exit status -1 (the
// runtime's ordinary exit, so the application object's clean-up runs).
void EnsureEngineOrExit();

// Releases the engine object in g_pEngine, if any, and empties the slot.
void ReleaseEngine();
