# The warnings every target of this project is built with, PRIVATE to each
# target: they never reach a consumer or a third-party target. KELVRA_WERROR
# turns them into errors (scripts/test.sh, which CI runs, turns it on).
set(KELVRA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # TNT's matrix destructor releases its 1-based row table through a shifted
  # pointer; GCC's optimiser takes that for freeing a non-heap object, which it is not.
  # GCC 12 also reports impossible overlapping copies inside std::string
  # concatenation at -O2 (a known false positive of that release).
  list(APPEND KELVRA_WARNINGS -Wno-free-nonheap-object -Wno-restrict)
endif()
if(KELVRA_WERROR)
  list(APPEND KELVRA_WARNINGS -Werror)
endif()

# kelvra_warnings(<target>...)
function(kelvra_warnings)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE ${KELVRA_WARNINGS})
  endforeach()
endfunction()

# kelvra_headers(<target> <PUBLIC|PRIVATE|INTERFACE> <folder>)
# Makes the headers of the source folder <folder> reachable from <target> (and,
# with PUBLIC or INTERFACE, from whatever links it) as "<folder name>/<header>",
# and nothing else of the source tree: the include folder handed to the compiler
# is one of the build tree that holds a single link, to <folder>.
function(kelvra_headers target scope folder)
  get_filename_component(name ${folder} NAME)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

# kelvra_library(<name> [DEPENDS <targets>...])
# One library per subsystem folder, also known as kelvra::<name>; every .cpp of
# the folder belongs to it. Its headers reach only the targets that link it,
# directly or through a library that depends on it, so an include of a library
# it does not declare in DEPENDS fails to build. A folder that holds only headers
# becomes an interface library.
function(kelvra_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    kelvra_headers(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    kelvra_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    kelvra_headers(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()
  add_library(kelvra::${name} ALIAS ${name})
endfunction()

# kelvra_test(<name> DEPENDS <targets>... [PROGRAM <patterns>...] [SLOW <patterns>...])
# One GoogleTest executable per test folder; every .cpp of the folder belongs to
# it. Each of its tests joins one ctest lane by label: `slow` for the tests
# that match a SLOW pattern, `program` for those that match a PROGRAM pattern
# (they run the program or a script), `unit` for all others. Patterns are
# GoogleTest filters such as Suite.* or Suite.Test.
function(kelvra_test name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;PROGRAM;SLOW" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} test_support GTest::gtest GTest::gtest_main GTest::gmock)
  kelvra_warnings(${name})
  list(JOIN ARG_SLOW ":" lane_slow)
  list(JOIN ARG_PROGRAM ":" lane_program)
  set(lane_unit "*-${lane_slow}:${lane_program}")
  if(lane_slow AND lane_program)
    string(APPEND lane_program "-${lane_slow}")
  endif()
  foreach(label unit slow program)
    if(lane_${label})
      gtest_discover_tests(${name} TEST_FILTER "${lane_${label}}" PROPERTIES LABELS ${label}
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
    endif()
  endforeach()
endfunction()
