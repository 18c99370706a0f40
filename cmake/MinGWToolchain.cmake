# What both MinGW-w64 toolchains share, for the triplet QUELLIT_MINGW_TRIPLET (Debian's
# g++-mingw-w64-*-posix): the POSIX thread model, so std::thread and std::mutex are available,
# and static executables that need no MinGW runtime beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUELLIT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELLIT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELLIT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUELLIT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
