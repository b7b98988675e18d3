# Windows x86-64: Debian's MinGW-w64 cross compiler (POSIX threads), linked
# statically so that no DLL has to be found; programs and tests run under
# wine, in a prefix of the build tree's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# With what cmake/mingw-libxlsxwriter.sh builds and installs.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 /usr/local/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Debian keeps wine64 off the PATH. The tests start and stop wine's server.
set(WINE_DIR /usr/lib/wine)
# Wine turns the command line's bytes into Unicode by the locale's character set.
set(WINE_ENV env LANG=C.UTF-8 LC_ALL= WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
    WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_ENV} ${WINE_DIR}/wine64)
