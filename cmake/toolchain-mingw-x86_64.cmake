# Cross build for 64-bit Windows with mingw-w64 (the -posix compilers, so that std::thread works).
# The build that runs here under wine64; links statically, so no mingw runtime DLLs are needed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(velbry_mingw_prefix x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_common.cmake)
