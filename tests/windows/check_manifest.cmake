# Reads the manifest back from a built Windows program and checks that it
# declares per-monitor DPI awareness, so that Windows does not stretch (and
# blur) the saver's whole-pixel scaling.
#
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<file.scr> -P check_manifest.cmake
#
# The manifest is resource type 24 (RT_MANIFEST), id 1; its data is found
# through objdump's resource tree and section table and read from the file.
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "check_manifest: ${PROGRAM} is missing")
endif()
execute_process(COMMAND "${OBJDUMP}" -p -h "${PROGRAM}" OUTPUT_VARIABLE dump RESULT_VARIABLE dumped)
if(NOT dumped EQUAL 0)
  message(FATAL_ERROR "check_manifest: ${OBJDUMP} -p -h ${PROGRAM} failed")
endif()

# The resource tree: type entry 0x18, then its first name (id 1), its
# language, and the leaf with the data's address (an RVA) and size.
string(REGEX MATCH "Entry: ID: 0x000018, [^\n]*\n[^\n]*\n[^\n]*Entry: ID: 0x000001,[^\n]*\n[^\n]*\n[^\n]*\n[^\n]*Leaf: Addr: (0x[0-9a-f]+), Size: (0x[0-9a-f]+)"
       leaf "${dump}")
if(NOT leaf)
  message(FATAL_ERROR "check_manifest: ${PROGRAM} has no manifest (resource type 24, id 1)")
endif()
set(rva "${CMAKE_MATCH_1}")
set(size "${CMAKE_MATCH_2}")
string(REGEX MATCH "ImageBase[ \t]+([0-9a-f]+)" base "${dump}")
set(image_base "0x${CMAKE_MATCH_1}")
string(REGEX MATCH "\\.rsrc +[0-9a-f]+ +([0-9a-f]+) +[0-9a-f]+ +([0-9a-f]+)" section "${dump}")
if(NOT base OR NOT section)
  message(FATAL_ERROR "check_manifest: no image base or .rsrc section in objdump's output")
endif()
math(EXPR offset "0x${CMAKE_MATCH_2} + ${rva} - (0x${CMAKE_MATCH_1} - ${image_base})")
math(EXPR length "${size}")
file(READ "${PROGRAM}" manifest OFFSET ${offset} LIMIT ${length})

set(failures)
if(NOT manifest MATCHES "<dpiAwareness[^>]*>[ \t]*PerMonitorV2")
  list(APPEND failures "no <dpiAwareness> of PerMonitorV2 (Windows 10)")
endif()
if(NOT manifest MATCHES "<dpiAware[ >][^>]*>?[ \t]*true/pm")
  list(APPEND failures "no <dpiAware> of true/pm (Windows 8.1)")
endif()
if(failures)
  list(JOIN failures "; " text)
  message(FATAL_ERROR "check_manifest: the manifest of ${PROGRAM}: ${text}. It reads:\n${manifest}")
endif()
message(STATUS "check_manifest: ${PROGRAM} declares itself per-monitor DPI aware")
