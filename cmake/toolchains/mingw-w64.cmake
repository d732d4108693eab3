# Cross-compiling for Windows with Debian's mingw-w64 (the POSIX-threads
# compilers, which give std::thread and std::mutex). The including file sets
# TESSARY_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${TESSARY_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${TESSARY_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSARY_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSARY_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSARY_MINGW_TRIPLET} ${TESSARY_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Debian's JUCE CMake package lives on the build machine and is found there;
# its modules are sources and build for any target.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Tests and helper programs of the Windows build run under Wine.
find_program(TESSARY_WINE NAMES wine wine64)
if(TESSARY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSARY_WINE})
endif()
