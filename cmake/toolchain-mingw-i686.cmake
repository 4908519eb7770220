# Cross build for 32-bit Windows with mingw-w64 (the -posix compilers, so that std::thread works).
# Links statically, so the program needs no mingw runtime DLLs next to it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(velbry_mingw_prefix i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_common.cmake)
