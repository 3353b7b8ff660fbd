# The artwork that goes into intro.exe as its bitmap "ALL": resources/all.bmp,
# the replacement that INTRO_SHEET names, or the sheet that make-sheet letters
# from the text file INTRO_TEXTS names (the intro in another language, see
# docs/translating.md). Either way the build runs
# sheet-check on it first and stops with sheet-check's findings when the intro
# could not use it, so a broken sheet never reaches the program file.
#
# The checker has to run on the build machine, but this is a cross build whose
# compiler makes Windows programs. So the build compiles its own sheet-check
# with the build machine's C++ compiler, from the same sources as the host
# build's sheet-check: it needs no host build beside this one, and it is
# rebuilt whenever the rules change.
#
# Sets INTRO_RESOURCE_SCRIPT (the resource script to compile) and
# INTRO_RESOURCE_FILES (what the compiled resources depend on).

set(INTRO_SHEET "${PROJECT_SOURCE_DIR}/resources/all.bmp" CACHE FILEPATH
    "The artwork sheet compiled into intro.exe as its bitmap ALL; sheet-check must accept it")
set(INTRO_TEXTS "" CACHE FILEPATH
    "A text file of the intro's words; make-sheet letters the sheet from it instead of INTRO_SHEET")
# make-sheet draws with FreeType and writes PNGs: the host build has it, this cross build cannot.
set(INTRO_MAKE_SHEET "${PROJECT_SOURCE_DIR}/build/host/tools/sheet/make-sheet" CACHE FILEPATH
    "The host build's make-sheet, which letters INTRO_TEXTS")
if(INTRO_TEXTS)
    if(NOT EXISTS "${INTRO_TEXTS}" OR IS_DIRECTORY "${INTRO_TEXTS}")
        message(FATAL_ERROR "INTRO_TEXTS: there is no text file at '${INTRO_TEXTS}'")
    endif()
    if(NOT EXISTS "${INTRO_MAKE_SHEET}")
        message(FATAL_ERROR "INTRO_TEXTS needs the host build's make-sheet at '${INTRO_MAKE_SHEET}': "
                            "build build/host first, or name another with -DINTRO_MAKE_SHEET=FILE")
    endif()
elseif(NOT EXISTS "${INTRO_SHEET}" OR IS_DIRECTORY "${INTRO_SHEET}")
    message(FATAL_ERROR "INTRO_SHEET: there is no sheet file at '${INTRO_SHEET}'")
endif()

find_program(INTRO_HOST_CXX NAMES g++ c++ clang++ NO_CMAKE_FIND_ROOT_PATH
             DOC "The build machine's C++ compiler, for the sheet checker")
if(NOT INTRO_HOST_CXX)
    message(FATAL_ERROR "No C++ compiler for the build machine (g++), needed to check the sheet; "
                        "scripts/setup.sh installs it")
endif()

set(_sheet_dir "${CMAKE_BINARY_DIR}/sheet")
set(_check_sources
    "${PROJECT_SOURCE_DIR}/tools/sheet/sheet_rules.cpp"
    "${PROJECT_SOURCE_DIR}/tools/sheet/sheet_check_main.cpp")
set(_sheet_check "${_sheet_dir}/sheet-check")
add_custom_command(
    OUTPUT "${_sheet_check}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${_sheet_dir}"
    COMMAND "${INTRO_HOST_CXX}" -std=c++17 -O2 -Wall -Wextra -Werror
            "-I${PROJECT_SOURCE_DIR}/tools/sheet" "-I${PROJECT_SOURCE_DIR}" ${_check_sources} -o "${_sheet_check}"
    DEPENDS ${_check_sources} "${PROJECT_SOURCE_DIR}/tools/sheet/sheet_rules.h"
            "${PROJECT_SOURCE_DIR}/base/sheet_layout.h"
    COMMENT "Building sheet-check for the build machine"
    VERBATIM)

# Make reruns a rule only when an input is newer than its outputs: this file
# changes whenever INTRO_SHEET names another sheet, however old that file is.
configure_file("${CMAKE_CURRENT_LIST_DIR}/intro_sheet_choice.in" "${_sheet_dir}/choice.txt" @ONLY)

# The sheet the build uses: lettered from the texts into this build, or the file named.
set(_sheet "${INTRO_SHEET}")
if(INTRO_TEXTS)
    set(_sheet "${_sheet_dir}/lettered.bmp")
    add_custom_command(
        OUTPUT "${_sheet}"
        COMMAND "${INTRO_MAKE_SHEET}" --texts "${INTRO_TEXTS}" --out-bmp "${_sheet}"
                --out-ico "${_sheet_dir}/lettered.ico"
        DEPENDS "${INTRO_TEXTS}" "${INTRO_MAKE_SHEET}" "${_sheet_dir}/choice.txt"
        COMMENT "Lettering the sheet from ${INTRO_TEXTS}"
        VERBATIM)
endif()

set(INTRO_RESOURCE_SCRIPT "${_sheet_dir}/intro.rc")
set(_sheet_copy "${_sheet_dir}/all.bmp")
set(_icon "${PROJECT_SOURCE_DIR}/resources/velthorn.ico")
add_custom_command(
    OUTPUT "${INTRO_RESOURCE_SCRIPT}" "${_sheet_copy}"
    COMMAND "${CMAKE_COMMAND}" "-DCHECK=${_sheet_check}" "-DSHEET=${_sheet}"
            "-DSCRIPT=${PROJECT_SOURCE_DIR}/resources/intro.rc" "-DICON=${_icon}" "-DOUT=${_sheet_dir}"
            -P "${CMAKE_CURRENT_LIST_DIR}/sheet_resource.cmake"
    DEPENDS "${_sheet_check}" "${_sheet}" "${_sheet_dir}/choice.txt"
            "${PROJECT_SOURCE_DIR}/resources/intro.rc" "${_icon}"
            "${CMAKE_CURRENT_LIST_DIR}/sheet_resource.cmake"
    COMMENT "Checking the sheet ${_sheet}"
    VERBATIM)
set(INTRO_RESOURCE_FILES "${_sheet_copy};${_icon}")
