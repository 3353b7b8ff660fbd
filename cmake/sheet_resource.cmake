# Run by the build (cmake -P): checks the sheet, then writes the resource
# script that puts that sheet and the icon into intro.exe.
#   CHECK   the sheet-check program     SHEET   the sheet to use
#   SCRIPT  resources/intro.rc          ICON    the icon file
#   OUT     where the checked copy and the resource script go
file(REMOVE "${OUT}/all.bmp" "${OUT}/intro.rc")  # a refused sheet leaves nothing to build on

execute_process(COMMAND "${CHECK}" "${SHEET}" RESULT_VARIABLE status OUTPUT_VARIABLE found
                ERROR_VARIABLE found)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "The sheet ${SHEET} cannot go into intro.exe. sheet-check says:\n${found}")
endif()
configure_file("${SHEET}" "${OUT}/all.bmp" COPYONLY)

# The project's resource script, with its two files named by full path: the
# checked copy of the sheet and the icon beside the script.
file(READ "${SCRIPT}" script)
function(name_by_full_path name path)  # a path may hold any character, '=' and ';' too
    string(FIND "${script}" "\"${name}\"" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${SCRIPT} no longer names \"${name}\"; update cmake/sheet_resource.cmake")
    endif()
    string(REPLACE "\"${name}\"" "\"${path}\"" script "${script}")
    set(script "${script}" PARENT_SCOPE)
endfunction()
name_by_full_path(all.bmp "${OUT}/all.bmp")
name_by_full_path(velthorn.ico "${ICON}")
file(WRITE "${OUT}/intro.rc" "${script}")
