# Cross-compiling for i686 Windows with MinGW-w64 (g++-mingw-w64-i686-posix).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUELLIT_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
