// Resource types of our own numbering, shared by the resource scripts and
// the code that reads them (plain defines, for the resource compiler too).
#pragma once

// A dialog's initialisation data (combo-box strings), as older tools store it.
#define KX_RT_DLGINIT 240
