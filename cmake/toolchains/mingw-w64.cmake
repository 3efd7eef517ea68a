# 64-bit Windows with Debian's mingw-w64 (posix thread model); programs run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_orvax_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_orvax_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_orvax_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_orvax_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_orvax_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in, so programs and DLLs run without mingw DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

get_filename_component(_orvax_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_orvax_root}/scripts/wine-run)
