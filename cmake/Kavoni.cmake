# Build helpers shared by every folder of the tree.

# Adds DIR when it holds a CMakeLists.txt.
function(kvn_add_subdirectory_if_present dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# Adds every direct child folder of PARENT that holds a CMakeLists.txt, in name order.
function(kvn_add_subdirectories parent)
  file(GLOB children CONFIGURE_DEPENDS LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/${parent}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${child})
      add_subdirectory(${rel})
    endif()
  endforeach()
endfunction()

# kvn_add_gtest(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
# One GoogleTest executable whose cases CTest discovers. Tests run with the source tree's
# root in KVN_SOURCE_DIR so fixtures can be found from any build folder.
function(kvn_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  # A test main of our own (tests/support/test_main.cpp) sets up the main thread's run loop;
  # without one, GoogleTest's plain main.
  if(NOT TARGET KvnTestSupport OR NOT EXISTS ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE KVN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KVN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KVN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
