# Checks that a Windows program imports only DLLs that every Windows system
# has: the C++ runtime, libgcc and the thread library must be linked in.
#
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<file.exe> -P check_imports.cmake
#
# IMPORTS_TEXT checks objdump's "DLL Name:" lines given as text instead.
cmake_minimum_required(VERSION 3.25)

set(system_dlls kernel32.dll user32.dll gdi32.dll winmm.dll advapi32.dll msvcrt.dll)

if(NOT IMPORTS_TEXT)
  if(NOT EXISTS "${PROGRAM}")
    message(FATAL_ERROR "check_imports: ${PROGRAM} is missing")
  endif()
  execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE IMPORTS_TEXT RESULT_VARIABLE dumped)
  if(NOT dumped EQUAL 0)
    message(FATAL_ERROR "check_imports: ${OBJDUMP} -p ${PROGRAM} failed")
  endif()
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${IMPORTS_TEXT}")
if(NOT lines)
  message(FATAL_ERROR "check_imports: no imported DLL found in ${PROGRAM}")
endif()
set(failures)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  list(FIND system_dlls "${lower}" known)
  if(known EQUAL -1)
    list(APPEND failures "${dll} is not a DLL of the system")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "check_imports: ${PROGRAM}:\n  ${text}")
endif()
