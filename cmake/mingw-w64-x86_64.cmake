# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix,
# libz-mingw-w64-dev). Everything is linked statically, so the programs need no DLL.
# The tests run under wine; see CMAKE_CROSSCOMPILING_EMULATOR below.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(UPD_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${UPD_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UPD_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${UPD_MINGW_TRIPLET}-windres)

# Libraries and headers come only from the mingw sysroot, never from the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${UPD_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)

# Tests run under wine in a prefix of their own inside the build folder, with the
# Bulgarian locale so that wine's ANSI code page is 1251. Wine's .NET and HTML engines are
# switched off so that setting up the prefix never asks to download them.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all LC_ALL=bg_BG.UTF-8
        WINEDLLOVERRIDES=mscoree,mshtml= wine)
endif()
