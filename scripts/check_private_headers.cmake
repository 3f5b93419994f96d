# Checks that every private header of a library is refused outside it: a
# header that includes "<folder>/internal.h" must name its own folder's guard,
# and preprocessing it without the library's definition must stop with the
# guard's error.
#
#   cmake -DSOURCE_DIR=<repo> -DCXX=<C++ compiler> -P check_private_headers.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT CXX)
  message(FATAL_ERROR "check_private_headers: pass -DSOURCE_DIR=<repository root> and -DCXX=<compiler>")
endif()

set(libraries platform framework imaging scene sprites stage saver shell)
set(problems "")
set(checked 0)
foreach(library IN LISTS libraries)
  file(GLOB_RECURSE headers RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${library}/*.h")
  foreach(header IN LISTS headers)
    if(header STREQUAL "${library}/internal.h")
      continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${header}" guards REGEX "^#include \"[a-z]+/internal\\.h\"")
    if(NOT guards)
      continue()
    endif()
    if(NOT guards STREQUAL "#include \"${library}/internal.h\"")
      string(APPEND problems "\n  ${header} includes ${guards}, not its own library's guard")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    execute_process(COMMAND "${CXX}" -E -x c++ -I "${SOURCE_DIR}" "${SOURCE_DIR}/${header}" -o /dev/null
                    RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
    if(result EQUAL 0 OR NOT errors MATCHES "private to the ${library} library")
      string(APPEND problems "\n  ${header} is not refused outside the ${library} library")
    endif()
  endforeach()
endforeach()

if(problems)
  message(FATAL_ERROR "check_private_headers:${problems}")
endif()
if(checked EQUAL 0)
  message(FATAL_ERROR "check_private_headers: no private header found under ${SOURCE_DIR}")
endif()
message(STATUS "check_private_headers: ${checked} private headers, each refused outside its library")
