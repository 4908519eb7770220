# Shared part of the two mingw-w64 toolchain files; velbry_mingw_prefix names the target triple.
set(CMAKE_C_COMPILER ${velbry_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${velbry_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${velbry_mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${velbry_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
