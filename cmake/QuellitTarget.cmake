# Compiler settings for the project's own targets: strict warnings, treated as errors.
# Third-party headers are included as system headers, so their warnings stay out.
function(quellit_target_options target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough -Werror)
  # GCC 12's optimiser reports -Wrestrict inside std::string's own inlined insert/replace and
  # "potential" null dereferences through inlined library code: false positives that only appear
  # in optimised builds. Keep null-dereference reports visible there, but not fatal.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict -Wno-error=null-dereference)
  endif()
endfunction()

# A test program of one library folder: GoogleTest, every case registered with CTest. FIXTURES
# names CTest fixtures its cases need (servers started by CTest rather than by the program).
# Cross-built programs list their cases when CTest runs, under the emulator and in its prefix.
function(quellit_add_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;FIXTURES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  quellit_target_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # Fixtures stay in the source tree; the program finds them however it is started.
  target_compile_definitions(${name} PRIVATE QUELLIT_TEST_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
                                             QUELLIT_SOURCE_ROOT="${PROJECT_SOURCE_DIR}")
  set(discovery)
  if(CMAKE_CROSSCOMPILING)
    set(discovery DISCOVERY_MODE PRE_TEST)
  endif()
  set(properties)
  if(ARG_FIXTURES)
    set(properties PROPERTIES FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} DISCOVERY_TIMEOUT 60
    ${discovery} ${properties})
endfunction()

# A test program of a toolkit folder: GoogleTest cases driving real widgets through Qt Test's
# input simulation, on the offscreen platform so no display is needed.
function(quellit_add_qt_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/Support/QtTestMain.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  quellit_target_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} Qt6::Widgets Qt6::Test GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE QUELLIT_TEST_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
                                             QUELLIT_SOURCE_ROOT="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
