# add_player_dll(NAME SERVED export=symbol... SOURCES file...)
#
# Builds player/NAME.dll in the build folder: the given sources serve the exports
# named in SERVED ("mciSendStringA=PlayerMciSendStringA@16"), and every other
# export listed in player/NAME/exports.txt becomes a stub that passes the call
# through to the system's own NAME.dll (player/common/passthrough.h). The stubs,
# their table and the module definition are generated here at configure time,
# for a 32-bit or a 64-bit DLL.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/stdcall.cmake)

# The 32-bit stubs (stdcall and cdecl): each jumps through its slot of
# passthroughTargets, which holds its resolver until the first call has found
# the system's function. Reads `passthrough` ("export bytes" entries); sets `asm`.
macro(passthrough_asm_i686)
    set(stubs "    .text\n")
    set(resolvers "")
    set(missing "")
    set(targets "    .data\n    .globl _passthroughTargets\n    .p2align 2\n_passthroughTargets:\n")
    set(missing_table "    .section .rdata\n    .globl _passthroughMissing\n    .p2align 2\n_passthroughMissing:\n")
    set(names "    .globl _passthroughNames\n    .p2align 2\n_passthroughNames:\n")
    set(strings "")
    set(index 0)
    foreach(entry IN LISTS passthrough)
        string(REPLACE " " ";" fields ${entry})
        list(GET fields 0 export)
        list(GET fields 1 bytes)
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
    string(APPEND asm "${missing}${targets}${missing_table}${names}${strings}")
    string(APPEND asm "    .globl _passthroughDllName\n_passthroughDllName:\n    .asciz \"${name}.dll\"\n")
endmacro()

# The 64-bit stubs, the same table with the x64 calling convention: the callee
# never takes arguments off the stack, so a missing function is a plain return
# of 0; the first four arguments lie in rcx, rdx, r8 and r9, or in xmm0 to xmm3
# when they are floating point, and the lookup must keep all eight.
macro(passthrough_asm_x86_64)
    set(stubs "    .text\n")
    set(resolvers "")
    set(targets "    .data\n    .globl passthroughTargets\n    .p2align 3\npassthroughTargets:\n")
    set(missing_table "    .section .rdata\n    .globl passthroughMissing\n    .p2align 3\npassthroughMissing:\n")
    set(names "    .globl passthroughNames\n    .p2align 3\npassthroughNames:\n")
    set(strings "")
    set(index 0)
    foreach(entry IN LISTS passthrough)
        string(REPLACE " " ";" fields ${entry})
        list(GET fields 0 export)
        math(EXPR offset "${index} * 8")
        string(APPEND stubs "    .globl Passthrough_${export}\nPassthrough_${export}:\n    jmp *passthroughTargets+${offset}(%rip)\n")
        string(APPEND resolvers "resolve_${index}:\n    movl $${index}, %eax\n    jmp resolve\n")
        string(APPEND targets "    .quad resolve_${index}\n")
        string(APPEND missing_table "    .quad missing\n")
        string(APPEND names "    .quad name_${index}\n")
        string(APPEND strings "name_${index}:\n    .asciz \"${export}\"\n")
        math(EXPR index "${index} + 1")
    endforeach()

    set(asm "# Generated from ${list_file} by player/passthrough.cmake; do not edit.\n")
    string(APPEND asm "${stubs}")
    string(APPEND asm "${resolvers}")
    # On entry: the stub's index in eax (no argument register) and the stack as
    # the caller left it, 8 bytes past a 16-byte boundary. The four argument
    # registers (32 bytes) and xmm0 to xmm3 (64 bytes) are saved, with the 32
    # bytes of home space the callee may use and 8 bytes that align the call.
    string(APPEND asm "resolve:\n    pushq %rcx\n    pushq %rdx\n    pushq %r8\n    pushq %r9\n    subq $104, %rsp\n")
    string(APPEND asm "    movdqu %xmm0, 32(%rsp)\n    movdqu %xmm1, 48(%rsp)\n    movdqu %xmm2, 64(%rsp)\n    movdqu %xmm3, 80(%rsp)\n")
    string(APPEND asm "    movl %eax, %ecx\n    call PassthroughResolve\n")
    string(APPEND asm "    movdqu 32(%rsp), %xmm0\n    movdqu 48(%rsp), %xmm1\n    movdqu 64(%rsp), %xmm2\n    movdqu 80(%rsp), %xmm3\n")
    string(APPEND asm "    addq $104, %rsp\n    popq %r9\n    popq %r8\n    popq %rdx\n    popq %rcx\n    jmp *%rax\n")
    string(APPEND asm "missing:\n    xorl %eax, %eax\n    ret\n")
    string(APPEND asm "${targets}${missing_table}${names}${strings}")
    string(APPEND asm "    .globl passthroughDllName\npassthroughDllName:\n    .asciz \"${name}.dll\"\n")
endmacro()

function(add_player_dll name)
    cmake_parse_arguments(PARSE_ARGV 1 DLL "" "" "SERVED;SOURCES")
    set(list_file ${CMAKE_CURRENT_SOURCE_DIR}/${name}/exports.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})

    set(def "LIBRARY ${name}.dll\nEXPORTS\n")
    set(served_names "")
    foreach(line IN LISTS DLL_SERVED)
        string(REGEX REPLACE "=.*" "" served ${line})
        list(APPEND served_names ${served})
        stdcall_symbol(line "${line}")
        string(APPEND def "    ${line}\n")
    endforeach()
    # Every other listed export: "name bytes", the bytes of arguments a stdcall
    # function takes ("-" where the list does not say).
    set(passthrough "")
    file(STRINGS ${list_file} entries REGEX "^[A-Za-z0-9_]+ ")
    foreach(entry IN LISTS entries)
        string(REGEX REPLACE " .*" "" export ${entry})
        if(NOT export IN_LIST served_names)
            list(APPEND passthrough "${entry}")
            string(APPEND def "    ${export} = Passthrough_${export}\n")
        endif()
    endforeach()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        passthrough_asm_x86_64()
    else()
        passthrough_asm_i686()
    endif()

    set(generated ${CMAKE_CURRENT_BINARY_DIR}/${name})
    file(WRITE ${generated}/passthrough.S "${asm}")
    file(WRITE ${generated}/${name}.def "${def}")

    add_library(${name}_dll SHARED ${DLL_SOURCES} ${generated}/passthrough.S ${generated}/${name}.def)
    set_target_properties(${name}_dll PROPERTIES OUTPUT_NAME ${name} PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/player)
    target_link_libraries(${name}_dll PRIVATE player_common)
    target_link_options(${name}_dll PRIVATE -static -static-libgcc -static-libstdc++)
    # The oldest Windows the DLLs' imports allow, in their headers: GetModuleHandleExA
    # needs Windows XP (5.1); the 64-bit Windows of that time is XP x64 (5.2).
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(version 5 2)
    else()
        set(version 5 1)
    endif()
    list(GET version 0 major)
    list(GET version 1 minor)
    target_link_options(${name}_dll PRIVATE -Wl,--major-os-version,${major},--minor-os-version,${minor}
        -Wl,--major-subsystem-version,${major},--minor-subsystem-version,${minor})
endfunction()
