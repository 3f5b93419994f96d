# vesper.scr, the Windows player: the shell's WinMain is its entry (a GUI
# program, no console) and tools/vesper/vesper.rc its resources. The host
# passes the run mode on the command line itself, so the player has no
# options of its own.
set(VESPER_STRING1_CAPACITY 199)
string(REPEAT "\\000" ${VESPER_STRING1_CAPACITY} VESPER_STRING1_PLACEHOLDER)
set(VESPER_STRING1_PLACEHOLDER "\"${VESPER_STRING1_PLACEHOLDER}\"")
configure_file(vesper_rc_config.h.in "${CMAKE_CURRENT_BINARY_DIR}/vesper_rc_config.h" @ONLY)
# Dialog 2003 and the string table in French too: the descriptions with the
# texts of po/fr.po (cmake/translated_headers.cmake); Windows picks the
# language of the user's interface.
include("${PROJECT_SOURCE_DIR}/cmake/translated_headers.cmake")
set(translated_dialog "${CMAKE_CURRENT_BINARY_DIR}/fr/saver/config_dialog_template.h")
set(translated_strings "${CMAKE_CURRENT_BINARY_DIR}/fr/platform/kernel/windows_strings.h")
vesper_translated_header("${PROJECT_SOURCE_DIR}/saver/config_dialog_template.h" "${PROJECT_SOURCE_DIR}/po/fr.po" fr
                         "${translated_dialog}")
vesper_translated_header("${PROJECT_SOURCE_DIR}/platform/kernel/windows_strings.h" "${PROJECT_SOURCE_DIR}/po/fr.po" fr
                         "${translated_strings}")

add_executable(vesper WIN32 vesper.rc)
target_link_libraries(vesper PRIVATE vesper_shell)
# WinMain is in the shell library, which the C runtime's start-up only asks
# for after the libraries were read.
target_link_options(vesper PRIVATE -Wl,--undefined=WinMain)
set_target_properties(vesper PROPERTIES SUFFIX ".scr" RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}")
set_property(SOURCE vesper.rc APPEND PROPERTY INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_BINARY_DIR}")
set_property(SOURCE vesper.rc APPEND PROPERTY OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/saver/config_dialog_template.h"
                                                            "${PROJECT_SOURCE_DIR}/platform/kernel/windows_strings.h"
                                                            "${translated_dialog}" "${translated_strings}"
                                                            "${CMAKE_CURRENT_BINARY_DIR}/vesper_rc_config.h"
                                                            "${CMAKE_CURRENT_SOURCE_DIR}/vesper.manifest")

# The demo packed into the Windows player, by the build machine's
# vesper-scene (scripts/build.sh windows passes it and the demo scene from
# the Linux build): <build>/vesper-demo.scr.
set(VESPER_HOST_SCENE_TOOL "" CACHE FILEPATH "vesper-scene of a Linux build, which packs the Windows demo")
set(VESPER_HOST_DEMO_SCENE "" CACHE FILEPATH "demo.scene of a Linux build")
if(VESPER_HOST_SCENE_TOOL AND VESPER_HOST_DEMO_SCENE)
  set(demo_saver "${PROJECT_BINARY_DIR}/vesper-demo.scr")
  add_custom_command(
    OUTPUT "${demo_saver}"
    COMMAND "${VESPER_HOST_SCENE_TOOL}" pack --player "$<TARGET_FILE:vesper>" --scene "${VESPER_HOST_DEMO_SCENE}"
            --title "Vesper" --credit "Dusk over the hills, the bundled demo" -o "${demo_saver}"
    DEPENDS vesper "${VESPER_HOST_SCENE_TOOL}" "${VESPER_HOST_DEMO_SCENE}"
    COMMENT "Packing the demo scene into the Windows player"
    VERBATIM)
  add_custom_target(demo_saver ALL DEPENDS "${demo_saver}")
else()
  message(STATUS "The Windows demo is not packed: VESPER_HOST_SCENE_TOOL and VESPER_HOST_DEMO_SCENE are not set "
                 "(scripts/build.sh windows sets them)")
endif()
