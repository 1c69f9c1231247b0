# The shipped binaries' toolchain: mingw-w64 (i686) with the win32 thread
# model, whose static runtime imports only what Windows 95 exports.
set(KX_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/i686-w64-mingw32.cmake)
