# Cross toolchain: 32-bit Windows binaries built with mingw-w64 (i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KX_TRIPLE i686-w64-mingw32)
# Test programs use the posix thread model: it gives std::mutex, which
# GoogleTest needs. Its runtime imports functions that Windows 95 lacks, so
# the shipped binaries are built with the win32 model instead
# (i686-w64-mingw32-win32.cmake sets KX_THREAD_MODEL before including this).
if(NOT KX_THREAD_MODEL)
  set(KX_THREAD_MODEL posix)
endif()
set(CMAKE_C_COMPILER   ${KX_TRIPLE}-gcc-${KX_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${KX_TRIPLE}-g++-${KX_THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${KX_TRIPLE}-windres)
set(KX_WIDL            ${KX_TRIPLE}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${KX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine through our wrapper (one Wine start per binary).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
