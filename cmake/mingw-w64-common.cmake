# Shared by the mingw-w64 tool-chain files: they set CMAKE_SYSTEM_PROCESSOR and
# TESSALY_MINGW_TRIPLET, then include this. Debian's POSIX thread flavour of the
# compilers is used so that std::thread and std::mutex exist.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TESSALY_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSALY_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSALY_MINGW_TRIPLET}-windres)

# Libraries and headers come from the tool chain's own tree only; programs
# (code generators, test runners) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TESSALY_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Libraries built for Windows outside the tool chain's tree (Qt from
# scripts/build-qt-windows.sh, libqrencode) are given as CMAKE_PREFIX_PATH;
# they become roots of their own so that package searches find them.
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
