# Cross-builds the Windows programs on Debian with MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HORAVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HORAVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HORAVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${HORAVANE_MINGW_TRIPLET}-windres)

# Only the MinGW-w64 tree is searched for headers, libraries and packages: /usr/include would mix
# glibc's headers into a Windows build. The header-only libraries and GoogleTest reach the build
# through a prefix of their own (cmake/WindowsDependencies.cmake).
set(CMAKE_FIND_ROOT_PATH /usr/${HORAVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread are linked in, so that each .exe runs without a DLL of
# the compiler beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
