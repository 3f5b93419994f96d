# Every text of ours that a person reads is in every catalogue: collects the
# texts passed to Tr and TrWindows, marked N_, and those of the dialog and
# string table descriptions (their CONTROL, DIALOG and STRING lists) with
# xgettext, and fails with msgcmp's list of those a po/<language>.po lacks.
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<dir> -P check_translations.cmake
find_program(XGETTEXT xgettext REQUIRED)
find_program(MSGCMP msgcmp REQUIRED)
set(folders platform framework imaging sprites scene stage saver shell tools)
set(sources)
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
  list(APPEND sources ${found})
endforeach()
file(MAKE_DIRECTORY "${WORK_DIR}")
set(template "${WORK_DIR}/vesper.pot")
execute_process(
  COMMAND "${XGETTEXT}" --from-code=UTF-8 --language=C++ --keyword=Tr --keyword=TrWindows --keyword=N_
          --keyword=CONTROL:2 --keyword=DIALOG:6 --keyword=STRING:2 --output=${template} ${sources}
  WORKING_DIRECTORY "${SOURCE_DIR}"
  RESULT_VARIABLE extracted)
if(NOT extracted EQUAL 0)
  message(FATAL_ERROR "xgettext failed")
endif()
file(STRINGS "${template}" ids REGEX "^msgid ")
list(LENGTH ids count)
# The first msgid is the template's header.
math(EXPR count "${count} - 1")
if(count LESS 20)
  message(FATAL_ERROR "only ${count} texts found in the sources: the extraction is broken")
endif()
file(GLOB catalogues "${SOURCE_DIR}/po/*.po")
set(failed FALSE)
foreach(catalogue IN LISTS catalogues)
  execute_process(COMMAND "${MSGCMP}" --use-untranslated "${catalogue}" "${template}"
                  RESULT_VARIABLE compared ERROR_VARIABLE problems)
  if(NOT compared EQUAL 0)
    message(SEND_ERROR "${catalogue} lacks texts of the sources:\n${problems}")
    set(failed TRUE)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "catalogues incomplete")
endif()
message(STATUS "${count} texts, all in every catalogue")
