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

# kvn_export_headers(TARGET FOLDER...)
# Gives TARGET an include root of its own in the build tree, include/TARGET/, holding one link
# per FOLDER, named as the folder. Code includes "<Folder>/<Header>.h", so a folder's headers
# are found only by targets that link TARGET: using a layer without linking it fails to compile
# instead of working by accident. Links follow the folder, so subfolders added later need no
# change here.
function(kvn_export_headers target)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  # Rebuilt on every configure so a folder that left the list leaves the root too.
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${ARGN})
    cmake_path(ABSOLUTE_PATH folder BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    if(NOT IS_DIRECTORY ${folder})
      message(FATAL_ERROR "kvn_export_headers(${target}): ${folder} is not a folder")
    endif()
    cmake_path(GET folder FILENAME name)
    file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# kvn_add_layer(TARGET [EXCLUDE file...] [PUBLIC lib...] [PRIVATE lib...])
# The library of the current folder: every .cpp below it, subfolders included, minus EXCLUDE
# (paths relative to the folder); its headers exported through kvn_export_headers as
# "<folder name>/..."; linked to exactly the libraries named,
# PUBLIC when its headers include theirs, PRIVATE when only its sources do. A folder without
# sources yet is a header-only (INTERFACE) library, so the target always exists and whoever
# links it is checked. A new layer's CMakeLists.txt is one line:
#   kvn_add_layer(PlatformLayout PUBLIC PlatformFoundation)
function(kvn_add_layer target)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;PUBLIC;PRIVATE" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "kvn_add_layer(${target}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  set(folder ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${folder}/${excluded})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARG_PUBLIC} ${ARG_PRIVATE})
  endif()
  kvn_export_headers(${target} ${folder})
endfunction()

# kvn_add_gtest(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [RESOURCE_LOCK name...] [DISPLAY])
# One GoogleTest executable, run by CTest as one test. A process per case would pay the start
# of a sanitized program (and of the script engine, or of the sim for a suite against it) once
# per case, more than most cases cost; on a failure GoogleTest's own output ("[  FAILED  ]"
# lines and the summary) names the cases. The main is ours (tests/support/test_main.cpp: the
# test thread is the main thread, with its run loop). Tests run with the source tree's root in
# KVN_SOURCE_DIR so fixtures can be found from any build folder. An executable that holds
# something only one process may hold at a time (a fixed port, a shared file) names it in
# RESOURCE_LOCK, and CTest never runs two holders of it at once. DISPLAY runs it through
# scripts/with-display.sh, which starts a private Xvfb when no display is set (the web engine).
function(kvn_add_gtest name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBS;RESOURCE_LOCK" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} KvnTestMain GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE KVN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KVN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(ARG_DISPLAY)
    add_test(NAME ${name} COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/with-display.sh $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "KVN_SOURCE_DIR=${PROJECT_SOURCE_DIR};GTEST_COLOR=no")
  if(ARG_DISPLAY)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
                 "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/web-engine.lsan.supp")
  endif()
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
  endif()
endfunction()
