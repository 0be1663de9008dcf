# plrxl_folder_library(<target> DIR <dir> [DEPS ...] [PRIVATE_DEPS ...])
# Builds every .cpp directly in <dir> and in <dir>/internal into a static
# library. A folder without sources yet becomes an INTERFACE library, so the
# tree always configures.
function(plrxl_folder_library target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/internal/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PLRXL_SOURCE_ROOT})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PLRXL_SOURCE_ROOT})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# plrxl_test(<target> DIR <dir> DEPS ...): one GoogleTest program per folder.
function(plrxl_test target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${target} PRIVATE
    PLRXL_TEST_DATA="${PLRXL_SOURCE_ROOT}/tests/data"
    PLRXL_SOURCE_DIR="${PLRXL_SOURCE_ROOT}"
    PLRXL_BINARY_DIR="${CMAKE_BINARY_DIR}")
  plrxl_test_headers(${target})
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# Every test file starts with the test framework's headers, whose parsing cost
# more than most test bodies: compile them once per test program.
function(plrxl_test_headers target)
  target_precompile_headers(${target} PRIVATE
    <gmock/gmock.h> <gtest/gtest.h> <filesystem> <fstream> <map> <string> <vector>)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # g++ 12 forgets that headers from a precompiled header are system headers
    # and then reports its known false positives of the optimiser's bounds
    # checks inside std::string's inlined copy ("forming offset [32, N] is out
    # of the bounds [0, 32]", "writing 41 bytes into a region of size 16") for
    # std::string(path) + "/file". Test code only; the sanitizers check real
    # bounds when the tests run.
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread
                                             -Wno-restrict)
  endif()
endfunction()
