# Cross-compiles for 32-bit Windows with Debian's mingw-w64 tool chain
# (g++-mingw-w64-i686), in its POSIX thread flavour so that std::thread and
# std::mutex exist.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TESSALY_MINGW_TRIPLET i686-w64-mingw32)
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
