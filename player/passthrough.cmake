# add_player_dll(NAME SERVED export=symbol... SOURCES file...)
#
# Builds build/win32/player/NAME.dll: the given sources serve the exports named
# in SERVED ("mciSendStringA=PlayerMciSendStringA@16"), and every other export
# listed in player/NAME/exports.txt becomes a stub that passes the call through
# to the system's own NAME.dll (player/common/passthrough.h). The stubs, their
# table and the module definition are generated here at configure time.
function(add_player_dll name)
    cmake_parse_arguments(PARSE_ARGV 1 DLL "" "" "SERVED;SOURCES")
    set(list_file ${CMAKE_CURRENT_SOURCE_DIR}/${name}/exports.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
    set(served_names "")
    foreach(line IN LISTS DLL_SERVED)
        string(REGEX REPLACE "=.*" "" served ${line})
        list(APPEND served_names ${served})
    endforeach()

    set(def "LIBRARY ${name}.dll\nEXPORTS\n")
    foreach(line IN LISTS DLL_SERVED)
        string(APPEND def "    ${line}\n")
    endforeach()
    # The stubs: each jumps through its slot of passthroughTargets, which holds
    # its resolver until the first call has found the system's function.
    set(stubs "    .text\n")
    set(resolvers "")
    set(missing "")
    set(targets "    .data\n    .globl _passthroughTargets\n    .p2align 2\n_passthroughTargets:\n")
    set(missing_table "    .section .rdata\n    .globl _passthroughMissing\n    .p2align 2\n_passthroughMissing:\n")
    set(names "    .globl _passthroughNames\n    .p2align 2\n_passthroughNames:\n")
    set(strings "")
    set(index 0)
    file(STRINGS ${list_file} entries REGEX "^[A-Za-z0-9_]+ ")
    foreach(entry IN LISTS entries)
        string(REPLACE " " ";" fields ${entry})
        list(GET fields 0 export)
        list(GET fields 1 bytes)
        if(export IN_LIST served_names)
            continue()
        endif()
        string(APPEND def "    ${export} = Passthrough_${export}\n")
        string(APPEND stubs "    .globl _Passthrough_${export}\n_Passthrough_${export}:\n    jmp *_passthroughTargets+${index}*4\n")
        string(APPEND resolvers "resolve_${index}:\n    pushl $${index}\n    jmp resolve\n")
        # A function the system lacks answers 0 and, when stdcall, takes its arguments off the stack.
        if(bytes STREQUAL "-" OR bytes STREQUAL "0")
            string(APPEND missing "missing_${index}:\n    xorl %eax, %eax\n    ret\n")
        else()
            string(APPEND missing "missing_${index}:\n    xorl %eax, %eax\n    ret $${bytes}\n")
        endif()
        string(APPEND targets "    .long resolve_${index}\n")
        string(APPEND missing_table "    .long missing_${index}\n")
        string(APPEND names "    .long name_${index}\n")
        string(APPEND strings "name_${index}:\n    .asciz \"${export}\"\n")
        math(EXPR index "${index} + 1")
    endforeach()

    set(asm "# Generated from ${list_file} by player/passthrough.cmake; do not edit.\n")
    string(APPEND asm "${stubs}")
    string(APPEND asm "${resolvers}")
    # On entry: the stub's index on top of the stack, above it the caller's
    # return address and arguments. The registers a caller may pass values in
    # are kept across the lookup, which returns the target in eax.
    string(APPEND asm "resolve:\n    pushl %ecx\n    pushl %edx\n    pushl 8(%esp)\n    call _PassthroughResolve\n")
    string(APPEND asm "    addl $4, %esp\n    popl %edx\n    popl %ecx\n    addl $4, %esp\n    jmp *%eax\n")
    string(APPEND asm "${missing}")
    string(APPEND asm "${targets}")
    string(APPEND asm "${missing_table}")
    string(APPEND asm "${names}")
    string(APPEND asm "${strings}")
    string(APPEND asm "    .globl _passthroughDllName\n_passthroughDllName:\n    .asciz \"${name}.dll\"\n")

    set(generated ${CMAKE_CURRENT_BINARY_DIR}/${name})
    file(WRITE ${generated}/passthrough.S "${asm}")
    file(WRITE ${generated}/${name}.def "${def}")

    add_library(${name}_dll SHARED ${DLL_SOURCES} ${generated}/passthrough.S ${generated}/${name}.def)
    set_target_properties(${name}_dll PROPERTIES OUTPUT_NAME ${name} PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/player)
    target_link_libraries(${name}_dll PRIVATE player_common)
    target_link_options(${name}_dll PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()
