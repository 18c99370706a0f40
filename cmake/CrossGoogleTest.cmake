# GoogleTest and GoogleMock for a cross build, compiled from Debian's sources (libgtest-dev,
# libgmock-dev) into the build folder once and kept there, under the names find_package(GTest) gives.
set(QUELLIT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
if(NOT EXISTS ${QUELLIT_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are not in ${QUELLIT_GOOGLETEST_SOURCE}: install libgtest-dev")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${QUELLIT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest's own CMake names its targets GTest::gtest, GTest::gtest_main and GTest::gmock.
