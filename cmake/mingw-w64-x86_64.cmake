# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (POSIX threads, which Qt needs for
# std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)
set(CMAKE_OBJDUMP ${mingw_triplet}-objdump)
set(CMAKE_STRIP ${mingw_triplet}-strip)

# Libraries and headers for Windows only from the MinGW tree and the Qt for Windows named by
# CMAKE_PREFIX_PATH; programs (moc, rcc, uic) from the machine's own Qt (QT_HOST_PATH).
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
