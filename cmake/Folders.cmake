# Each top-level folder is one static library made of every source below it, so that
# adding a file needs no edit of a shared list.
function(estate_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  file(GLOB_RECURSE qrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  if(NOT srcs)
    set(srcs ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${srcs} ${qrcs})
  set_target_properties(${name} PROPERTIES AUTORCC ON)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# One test program per folder of tests/: every *.cpp below it, linked with GoogleTest.
# Each test case is registered with ctest on its own, so a failure names its case.
function(estate_folder_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} testsupport GTest::gtest)
  # Tables of cases name only the fields a case sets; the rest take their defaults. The
  # assertion macros expand to if/else, so an assertion under a plain if is not ambiguous.
  target_compile_options(${name} PRIVATE -Wno-missing-field-initializers -Wno-dangling-else)
  estate_test_debug_info(${name})
  # Tests that read files of the source tree (templates, schema) find them through this, never
  # through __FILE__, which the compiler cache may make relative.
  target_compile_definitions(${name} PRIVATE ESTATE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# Sources compiled on their own, outside the batches of their target (see ESTATE_UNITY_BUILD in
# the top-level CMakeLists): they keep file-local helpers (anonymous namespaces, statics) named
# like another source's of the same folder, which one translation unit cannot hold twice.
# Paths are relative to the calling folder.
function(estate_compile_alone)
  set_source_files_properties(${ARGN} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()

# Test programs carry line tables and function names only (-g1): a failing test's backtrace
# still names every function, file and line, but the tests' own locals are not kept. The
# libraries the tests call keep full debug information. Full -g on the tests makes a fresh
# build a quarter slower; -DESTATE_TEST_FULL_DEBUG=ON keeps it.
option(ESTATE_TEST_FULL_DEBUG "Full debug information in the test programs" OFF)
function(estate_test_debug_info target)
  if(NOT ESTATE_TEST_FULL_DEBUG)
    target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo>:-g1>)
  endif()
endfunction()
