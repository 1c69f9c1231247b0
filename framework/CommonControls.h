// The common controls, bound when a window of their classes is first made
// rather than at start-up, so a program that waits in the tray does not carry
// comctl32 until it opens such a window.
#pragma once

namespace kx {

// Loads comctl32 and registers its classes; true when they can be used.
// Once loaded, the library stays for the life of the process: windows of its
// classes may be alive anywhere in it.
bool LoadCommonControls();

}   // namespace kx
